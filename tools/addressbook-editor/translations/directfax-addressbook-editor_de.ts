<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>EditorDialogs</name>
    <message>
        <source>Printer&apos;s Address Book</source>
        <translation>Adressbuch des Druckers</translation>
    </message>
    <message>
        <source>The password of the printer %1 (leave empty when it has none):</source>
        <translation>Das Kennwort von %1 (leer lassen, wenn er keines hat):</translation>
    </message>
    <message>
        <source>Add Members</source>
        <translation>Mitglieder hinzufügen</translation>
    </message>
    <message>
        <source>Search by name</source>
        <translation>Nach Namen suchen</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>Importieren</translation>
    </message>
    <message>
        <source>Import the cards or rows of %1:</source>
        <translation>Die Karten oder Zeilen von %1 importieren:</translation>
    </message>
    <message>
        <source>Import the rest when some cannot be imported</source>
        <translation>Den Rest importieren, wenn sich einige nicht importieren lassen</translation>
    </message>
    <message>
        <source>Import the rest when some are already in the book</source>
        <translation>Den Rest importieren, wenn einige schon im Buch stehen</translation>
    </message>
    <message>
        <source>Clean up fax numbers (+49 (30) 1234 becomes 0049301234)</source>
        <translation>Faxnummern bereinigen (+49 (30) 1234 wird 0049301234)</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Copy the chosen entries and groups to:</source>
        <translation>Die gewählten Einträge und Gruppen kopieren nach:</translation>
    </message>
</context>
<context>
    <name>EditorWindow</name>
    <message>
        <source>Address Book Editor</source>
        <translation>Adressbuch-Editor</translation>
    </message>
    <message>
        <source>Address Books</source>
        <translation>Adressbücher</translation>
    </message>
    <message>
        <source>New</source>
        <translation>Neu</translation>
    </message>
    <message>
        <source>Rename…</source>
        <translation>Umbenennen…</translation>
    </message>
    <message>
        <source>Delete…</source>
        <translation>Löschen…</translation>
    </message>
    <message>
        <source>Printer&apos;s Address Book…</source>
        <translation>Adressbuch des Druckers…</translation>
    </message>
    <message>
        <source>Search by name</source>
        <translation>Nach Namen suchen</translation>
    </message>
    <message>
        <source>Entries</source>
        <translation>Einträge</translation>
    </message>
    <message>
        <source>Add Entry…</source>
        <translation>Eintrag hinzufügen…</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Groups</source>
        <translation>Gruppen</translation>
    </message>
    <message>
        <source>Add Group…</source>
        <translation>Gruppe hinzufügen…</translation>
    </message>
    <message>
        <source>Remove Group</source>
        <translation>Gruppe entfernen</translation>
    </message>
    <message>
        <source>Members of the selected group (drag entries here or onto a group):</source>
        <translation>Mitglieder der gewählten Gruppe (Einträge hierher oder auf eine Gruppe ziehen):</translation>
    </message>
    <message>
        <source>Add Members…</source>
        <translation>Mitglieder hinzufügen…</translation>
    </message>
    <message>
        <source>Remove Members</source>
        <translation>Mitglieder entfernen</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>Werkzeuge</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Sichern</translation>
    </message>
    <message>
        <source>Ctrl+S</source>
        <translation>Ctrl+S</translation>
    </message>
    <message>
        <source>Revert</source>
        <translation>Zurücksetzen</translation>
    </message>
    <message>
        <source>Import…</source>
        <translation>Importieren…</translation>
    </message>
    <message>
        <source>Export…</source>
        <translation>Exportieren…</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Ctrl+W</source>
        <translation>Ctrl+W</translation>
    </message>
    <message>
        <source>Copy To…</source>
        <translation>Kopieren nach…</translation>
    </message>
    <message>
        <source>Copy the chosen entries and groups to another address book or to the printer</source>
        <translation>Die gewählten Einträge und Gruppen in ein anderes Adressbuch oder in den Drucker kopieren</translation>
    </message>
</context>
<context>
    <name>EntryDialog</name>
    <message>
        <source>New Entry</source>
        <translation>Neuer Eintrag</translation>
    </message>
    <message>
        <source>Name:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Fax number:</source>
        <translation>Faxnummer:</translation>
    </message>
    <message>
        <source>Company:</source>
        <translation>Firma:</translation>
    </message>
    <message>
        <source>Note:</source>
        <translation>Notiz:</translation>
    </message>
</context>
<context>
    <name>LaunchArguments</name>
    <message>
        <source>%1 needs a value.</source>
        <translation>%1 braucht einen Wert.</translation>
    </message>
    <message>
        <source>Unknown option %1.</source>
        <translation>Unbekannte Option %1.</translation>
    </message>
    <message>
        <source>-DFAXAddress needs -DFAXConnectionType NET.</source>
        <translation>-DFAXAddress braucht -DFAXConnectionType NET.</translation>
    </message>
    <message>
        <source>-DFAXConnectionType NET needs -DFAXAddress.</source>
        <translation>-DFAXConnectionType NET braucht -DFAXAddress.</translation>
    </message>
    <message>
        <source>The connection type is NET or USB, not %1.</source>
        <translation>Die Verbindungsart ist NET oder USB, nicht %1.</translation>
    </message>
</context>
<context>
    <name>PrinterBook</name>
    <message>
        <source>The printer refused the password.</source>
        <translation>Der Drucker hat das Kennwort abgelehnt.</translation>
    </message>
    <message>
        <source>The printer cannot be reached. Check that it is switched on and connected.</source>
        <translation>Der Drucker ist nicht erreichbar. Prüfen Sie, ob er eingeschaltet und verbunden ist.</translation>
    </message>
    <message>
        <source>The printer&apos;s answer cannot be read.</source>
        <translation>Die Antwort des Druckers ist nicht lesbar.</translation>
    </message>
    <message>
        <source>The printer was not waited for.</source>
        <translation>Auf den Drucker wurde nicht gewartet.</translation>
    </message>
    <message>
        <source>The printer&apos;s address book was changed since it was read.</source>
        <translation>Das Adressbuch des Druckers wurde geändert, seit es gelesen wurde.</translation>
    </message>
    <message>
        <source>the USB printer</source>
        <translation>der USB-Drucker</translation>
    </message>
    <message>
        <source>the printer at %1</source>
        <translation>der Drucker unter %1</translation>
    </message>
</context>
<context>
    <name>com::velmora::cps::print::pde::tarncrest::directfax::editor::EditorBook</name>
    <message>
        <source>The address book cannot be read: %1</source>
        <translation>Das Adressbuch kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>This address book has no file to read again.</source>
        <translation>Dieses Adressbuch hat keine Datei, die neu gelesen werden kann.</translation>
    </message>
    <message>
        <source>This address book has no file to write.</source>
        <translation>Dieses Adressbuch hat keine Datei, die geschrieben werden kann.</translation>
    </message>
    <message>
        <source>The address book was not saved: %1</source>
        <translation>Das Adressbuch wurde nicht gesichert: %1</translation>
    </message>
    <message>
        <source>The address book was not saved: the file cannot be replaced.</source>
        <translation>Das Adressbuch wurde nicht gesichert: Die Datei kann nicht ersetzt werden.</translation>
    </message>
    <message>
        <source>An entry needs a name.</source>
        <translation>Ein Eintrag braucht einen Namen.</translation>
    </message>
    <message>
        <source>A name holds at most %1 characters: letters, digits, spaces and punctuation of plain ASCII.</source>
        <translation>Ein Name hat höchstens %1 Zeichen: Buchstaben, Ziffern, Leerzeichen und Satzzeichen aus einfachem ASCII.</translation>
    </message>
    <message>
        <source>A fax number holds 1 to %1 of the characters 0 to 9, #, *, -, : and =.</source>
        <translation>Eine Faxnummer hat 1 bis %1 der Zeichen 0 bis 9, #, *, -, : und =.</translation>
    </message>
    <message>
        <source>A company name holds at most %1 characters on one line.</source>
        <translation>Ein Firmenname hat höchstens %1 Zeichen in einer Zeile.</translation>
    </message>
    <message>
        <source>A note holds at most %1 characters.</source>
        <translation>Eine Notiz hat höchstens %1 Zeichen.</translation>
    </message>
    <message>
        <source>A group needs a name.</source>
        <translation>Eine Gruppe braucht einen Namen.</translation>
    </message>
    <message>
        <source>A group name holds at most %1 characters: letters, digits, spaces and punctuation of plain ASCII.</source>
        <translation>Ein Gruppenname hat höchstens %1 Zeichen: Buchstaben, Ziffern, Leerzeichen und Satzzeichen aus einfachem ASCII.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; with the fax number %2 is already in this address book.</source>
        <translation>„%1“ mit der Faxnummer %2 steht schon in diesem Adressbuch.</translation>
    </message>
    <message>
        <source>This address book holds no more entries.</source>
        <translation>Dieses Adressbuch fasst keine weiteren Einträge.</translation>
    </message>
    <message>
        <source>Add &quot;%1&quot;</source>
        <translation>„%1“ hinzufügen</translation>
    </message>
    <message>
        <source>This entry is no longer in the address book.</source>
        <translation>Dieser Eintrag steht nicht mehr im Adressbuch.</translation>
    </message>
    <message>
        <source>Change &quot;%1&quot;</source>
        <translation>„%1“ ändern</translation>
    </message>
    <message>
        <source>Remove an entry</source>
        <translation>Einen Eintrag entfernen</translation>
    </message>
    <message numerus="yes">
        <source>Remove %n entries</source>
        <translation>
            <numerusform>Einen Eintrag entfernen</numerusform>
            <numerusform>%n Einträge entfernen</numerusform>
        </translation>
    </message>
    <message>
        <source>This address book holds no more groups.</source>
        <translation>Dieses Adressbuch fasst keine weiteren Gruppen.</translation>
    </message>
    <message>
        <source>Add the group &quot;%1&quot;</source>
        <translation>Die Gruppe „%1“ hinzufügen</translation>
    </message>
    <message>
        <source>Rename the group &quot;%1&quot;</source>
        <translation>Die Gruppe „%1“ umbenennen</translation>
    </message>
    <message>
        <source>A group of this address book holds at most %1 members.</source>
        <translation>Eine Gruppe dieses Adressbuchs hat höchstens %1 Mitglieder.</translation>
    </message>
    <message>
        <source>Add members to &quot;%1&quot;</source>
        <translation>Mitglieder zu „%1“ hinzufügen</translation>
    </message>
    <message>
        <source>Remove members from &quot;%1&quot;</source>
        <translation>Mitglieder aus „%1“ entfernen</translation>
    </message>
    <message>
        <source>Remove the group &quot;%1&quot;</source>
        <translation>Die Gruppe „%1“ entfernen</translation>
    </message>
</context>
<context>
    <name>com::velmora::cps::print::pde::tarncrest::directfax::editor::EditorWindow</name>
    <message>
        <source>Undo</source>
        <translation>Widerrufen</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Wiederholen</translation>
    </message>
    <message>
        <source>The change cannot be made.</source>
        <translation>Die Änderung ist nicht möglich.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Choose an address book.</source>
        <translation>Wählen Sie ein Adressbuch.</translation>
    </message>
    <message>
        <source>%1[*] - Address Book Editor</source>
        <translation>%1[*] – Adressbuch-Editor</translation>
    </message>
    <message>
        <source>Address Book Editor</source>
        <translation>Adressbuch-Editor</translation>
    </message>
    <message>
        <source>The address book cannot be opened.</source>
        <translation>Das Adressbuch kann nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>Do you want to save the changes to &quot;%1&quot;?</source>
        <translation>Möchten Sie die Änderungen an „%1“ sichern?</translation>
    </message>
    <message>
        <source>Your changes are lost if you don&apos;t save them.</source>
        <translation>Ihre Änderungen gehen verloren, wenn Sie sie nicht sichern.</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Sichern</translation>
    </message>
    <message>
        <source>Don&apos;t Save</source>
        <translation>Nicht sichern</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>&quot;%1&quot; was changed by another program since you opened it.</source>
        <translation>„%1“ wurde von einem anderen Programm geändert, seit Sie es geöffnet haben.</translation>
    </message>
    <message>
        <source>Saving replaces those changes with yours. Reloading drops your changes.</source>
        <translation>Sichern ersetzt diese Änderungen durch Ihre. Neu laden verwirft Ihre Änderungen.</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Ersetzen</translation>
    </message>
    <message>
        <source>Reload</source>
        <translation>Neu laden</translation>
    </message>
    <message>
        <source>The address book was not saved.</source>
        <translation>Das Adressbuch wurde nicht gesichert.</translation>
    </message>
    <message>
        <source>Saved.</source>
        <translation>Gesichert.</translation>
    </message>
    <message>
        <source>The address book cannot be read.</source>
        <translation>Das Adressbuch kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; was changed by another program and has been read again.</source>
        <translation>„%1“ wurde von einem anderen Programm geändert und neu gelesen.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; was changed by another program.</source>
        <translation>„%1“ wurde von einem anderen Programm geändert.</translation>
    </message>
    <message>
        <source>Reload it and drop your changes, or keep your changes? Saving them later replaces the other program&apos;s changes.</source>
        <translation>Neu laden und Ihre Änderungen verwerfen, oder Ihre Änderungen behalten? Wenn Sie sie später sichern, ersetzen sie die Änderungen des anderen Programms.</translation>
    </message>
    <message>
        <source>Keep Mine</source>
        <translation>Meine behalten</translation>
    </message>
    <message>
        <source>A name of an address book is not empty, does not start with a dot and holds no &quot;/&quot;.</source>
        <translation>Der Name eines Adressbuchs ist nicht leer, beginnt nicht mit einem Punkt und enthält kein „/“.</translation>
    </message>
    <message>
        <source>There is already an address book named &quot;%1&quot;.</source>
        <translation>Es gibt schon ein Adressbuch namens „%1“.</translation>
    </message>
    <message>
        <source>Printer&apos;s Address Book</source>
        <translation>Adressbuch des Druckers</translation>
    </message>
    <message>
        <source>The printer&apos;s IP address (leave empty for the printer on USB):</source>
        <translation>Die IP-Adresse des Druckers (leer lassen für den Drucker an USB):</translation>
    </message>
    <message>
        <source>New Address Book</source>
        <translation>Neues Adressbuch</translation>
    </message>
    <message>
        <source>Name of the new address book:</source>
        <translation>Name des neuen Adressbuchs:</translation>
    </message>
    <message>
        <source>The address book cannot be created.</source>
        <translation>Das Adressbuch kann nicht angelegt werden.</translation>
    </message>
    <message>
        <source>Rename Address Book</source>
        <translation>Adressbuch umbenennen</translation>
    </message>
    <message>
        <source>New name of &quot;%1&quot;:</source>
        <translation>Neuer Name von „%1“:</translation>
    </message>
    <message>
        <source>The address book cannot be renamed.</source>
        <translation>Das Adressbuch kann nicht umbenannt werden.</translation>
    </message>
    <message>
        <source>Save your changes, then open &quot;%1&quot; again.</source>
        <translation>Sichern Sie Ihre Änderungen und öffnen Sie dann „%1“ erneut.</translation>
    </message>
    <message>
        <source>Do you want to delete the address book &quot;%1&quot;?</source>
        <translation>Möchten Sie das Adressbuch „%1“ löschen?</translation>
    </message>
    <message>
        <source>Its entries and groups are lost. This cannot be undone.</source>
        <translation>Seine Einträge und Gruppen gehen verloren. Das kann nicht widerrufen werden.</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>The address book cannot be deleted.</source>
        <translation>Das Adressbuch kann nicht gelöscht werden.</translation>
    </message>
    <message>
        <source>New Group</source>
        <translation>Neue Gruppe</translation>
    </message>
    <message>
        <source>Name of the new group:</source>
        <translation>Name der neuen Gruppe:</translation>
    </message>
    <message>
        <source>Reading the address book of %1…</source>
        <translation>Das Adressbuch von %1 wird gelesen…</translation>
    </message>
    <message>
        <source>The address book of %1 cannot be read.</source>
        <translation>Das Adressbuch von %1 kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>Address book of %1</source>
        <translation>Adressbuch von %1</translation>
    </message>
    <message>
        <source>The printer cannot hold some entries or groups; nothing was written.</source>
        <translation>Einige Einträge oder Gruppen passen nicht in den Drucker; es wurde nichts geschrieben.</translation>
    </message>
    <message>
        <source>Writing the address book of %1…</source>
        <translation>Das Adressbuch von %1 wird geschrieben…</translation>
    </message>
    <message>
        <source>Read it again? Your changes are dropped; make them again then.</source>
        <translation>Neu lesen? Ihre Änderungen werden verworfen; nehmen Sie sie danach erneut vor.</translation>
    </message>
    <message>
        <source>Read Again</source>
        <translation>Neu lesen</translation>
    </message>
    <message>
        <source>The address book of %1 was not written.</source>
        <translation>Das Adressbuch von %1 wurde nicht geschrieben.</translation>
    </message>
    <message>
        <source>Written to %1.</source>
        <translation>In %1 geschrieben.</translation>
    </message>
    <message>
        <source>The import is done.</source>
        <translation>Der Import ist abgeschlossen.</translation>
    </message>
    <message>
        <source>Import %1</source>
        <translation>%1 importieren</translation>
    </message>
    <message>
        <source>The import is done; Save writes it to the printer.</source>
        <translation>Der Import ist abgeschlossen; Sichern schreibt ihn in den Drucker.</translation>
    </message>
    <message>
        <source>Nothing was imported.</source>
        <translation>Es wurde nichts importiert.</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>vCard 4 (*.vcf);;CSV (*.csv)</source>
        <translation>vCard 4 (*.vcf);;CSV (*.csv)</translation>
    </message>
    <message>
        <source>Exported to %1.</source>
        <translation>Nach %1 exportiert.</translation>
    </message>
    <message>
        <source>Nothing was exported.</source>
        <translation>Es wurde nichts exportiert.</translation>
    </message>
    <message>
        <source>Copy to the Printer</source>
        <translation>In den Drucker kopieren</translation>
    </message>
    <message>
        <source>Choose the entries or groups to copy first.</source>
        <translation>Wählen Sie zuerst die Einträge oder Gruppen, die kopiert werden sollen.</translation>
    </message>
    <message>
        <source>The printer…</source>
        <translation>Den Drucker…</translation>
    </message>
    <message>
        <source>and %1 more</source>
        <translation>und %1 weitere</translation>
    </message>
    <message>
        <source>Nothing can be copied to %1.</source>
        <translation>Nach %1 lässt sich nichts kopieren.</translation>
    </message>
    <message>
        <source>Some entries or groups cannot be copied to %1. Copy the others?</source>
        <translation>Einige Einträge oder Gruppen lassen sich nicht nach %1 kopieren. Die übrigen kopieren?</translation>
    </message>
    <message>
        <source>Copy the Others</source>
        <translation>Die übrigen kopieren</translation>
    </message>
    <message>
        <source>Nothing was copied to %1.</source>
        <translation>Nach %1 wurde nichts kopiert.</translation>
    </message>
    <message>
        <source>Copied %1 entries and %2 groups to %3.</source>
        <translation>%1 Einträge und %2 Gruppen nach %3 kopiert.</translation>
    </message>
    <message>
        <source>Nothing was copied.</source>
        <translation>Es wurde nichts kopiert.</translation>
    </message>
</context>
<context>
    <name>com::velmora::cps::print::pde::tarncrest::directfax::editor::EntryTableModel</name>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Fax Number</source>
        <translation>Faxnummer</translation>
    </message>
    <message>
        <source>Company</source>
        <translation>Firma</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Notiz</translation>
    </message>
</context>
<context>
    <name>com::velmora::cps::print::pde::tarncrest::directfax::editor::GroupTableModel</name>
    <message>
        <source>Group</source>
        <translation>Gruppe</translation>
    </message>
    <message>
        <source>Members</source>
        <translation>Mitglieder</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Address Book Editor</source>
        <translation>Adressbuch-Editor</translation>
    </message>
    <message>
        <source>directfax-addressbook-editor: another copy seems to run but does not answer; starting anyway.</source>
        <translation>directfax-addressbook-editor: Eine andere Kopie scheint zu laufen, antwortet aber nicht; es wird trotzdem gestartet.</translation>
    </message>
</context>
</TS>
