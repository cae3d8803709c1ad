<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>Localizable</name>
    <message>
        <source>Custom PDE Title</source>
        <translation>Faxeinstellungen</translation>
    </message>
    <message>
        <source>Fax Settings</source>
        <translation>Faxeinstellungen</translation>
    </message>
    <message>
        <source>Image Quality:</source>
        <translation>Bildqualität:</translation>
    </message>
    <message>
        <source>Transmission Report:</source>
        <translation>Sendebericht:</translation>
    </message>
    <message>
        <source>Cover Page Settings</source>
        <translation>Deckblatteinstellungen</translation>
    </message>
    <message>
        <source>Cover Page:</source>
        <translation>Deckblatt:</translation>
    </message>
    <message>
        <source>Sender:</source>
        <translation>Absender:</translation>
    </message>
    <message>
        <source>Dial Prefix:</source>
        <translation>Amtsholung:</translation>
    </message>
    <message>
        <source>Sender Name</source>
        <translation>Absendername</translation>
    </message>
    <message>
        <source>Address Book Editor...</source>
        <translation>Adressbuch-Editor...</translation>
    </message>
    <message>
        <source>Default Settings</source>
        <translation>Standardeinstellungen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Address Book Editor not found.</source>
        <translation>Adressbuch-Editor nicht gefunden.</translation>
    </message>
    <message>
        <source>No More Destination</source>
        <translation>Keine weiteren Ziele möglich</translation>
    </message>
    <message>
        <source>Duplicated Address Found</source>
        <translation>Doppelte Adresse gefunden</translation>
    </message>
    <message>
        <source>Add the same address to destinations?</source>
        <translation>Dieselbe Adresse zu den Zielen hinzufügen?</translation>
    </message>
    <message>
        <source>Characters added to Fax Number</source>
        <translation>Zeichen zur Faxnummer hinzugefügt</translation>
    </message>
    <message>
        <source>Current number is automatically added</source>
        <translation>Die aktuelle Nummer wird automatisch hinzugefügt</translation>
    </message>
    <message>
        <source>No Sender Specified</source>
        <translation>Kein Absender angegeben</translation>
    </message>
    <message>
        <source>Added to Address Book.</source>
        <translation>Zum Adressbuch hinzugefügt.</translation>
    </message>
    <message>
        <source>Address already exists.</source>
        <translation>Die Adresse ist bereits vorhanden.</translation>
    </message>
    <message>
        <source>No name specified.</source>
        <translation>Kein Name angegeben.</translation>
    </message>
    <message>
        <source>Cannot add to the file.</source>
        <translation>Hinzufügen zur Datei nicht möglich.</translation>
    </message>
    <message>
        <source>Address Book file is none</source>
        <translation>Keine Adressbuchdatei vorhanden</translation>
    </message>
    <message>
        <source>Device Access Failure</source>
        <translation>Fehler beim Gerätezugriff</translation>
    </message>
    <message>
        <source>Invalid Password</source>
        <translation>Ungültiges Kennwort</translation>
    </message>
    <message>
        <source>Failed to retrieve data</source>
        <translation>Daten konnten nicht abgerufen werden</translation>
    </message>
    <message>
        <source>Reading the printer&apos;s address book…</source>
        <translation>Das Adressbuch des Druckers wird gelesen…</translation>
    </message>
    <message>
        <source>Fax Transmission</source>
        <translation>Faxversand</translation>
    </message>
    <message>
        <source>Name:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Fax Number:</source>
        <translation>Faxnummer:</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Destinations:</source>
        <translation>Empfänger:</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Address Book File:</source>
        <translation>Adressbuchdatei:</translation>
    </message>
    <message>
        <source>Add to Address Book</source>
        <translation>Zum Adressbuch hinzufügen</translation>
    </message>
    <message>
        <source>Address Book...</source>
        <translation>Adressbuch...</translation>
    </message>
    <message>
        <source>Device Address Book...</source>
        <translation>Adressbuch des Geräts...</translation>
    </message>
    <message>
        <source>Authorization</source>
        <translation>Berechtigung</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Kennwort:</translation>
    </message>
    <message>
        <source>Delayed Send</source>
        <translation>Zeitversetztes Senden</translation>
    </message>
    <message>
        <source>Send later</source>
        <translation>Später senden</translation>
    </message>
    <message>
        <source>Time:</source>
        <translation>Uhrzeit:</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>Senden</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Fax Number</source>
        <translation>Faxnummer</translation>
    </message>
    <message>
        <source>Address Book</source>
        <translation>Adressbuch</translation>
    </message>
    <message>
        <source>Address Book File</source>
        <translation>Adressbuchdatei</translation>
    </message>
    <message>
        <source>Device Address Book</source>
        <translation>Geräte-Adressbuch</translation>
    </message>
    <message>
        <source>Properties...</source>
        <translation>Eigenschaften...</translation>
    </message>
    <message>
        <source>Add to Destinations</source>
        <translation>Zu Empfängern hinzufügen</translation>
    </message>
    <message>
        <source>Company:</source>
        <translation>Firma:</translation>
    </message>
    <message>
        <source>Note:</source>
        <translation>Notiz:</translation>
    </message>
    <message>
        <source>Address Properties</source>
        <translation>Adresseigenschaften</translation>
    </message>
    <message>
        <source>Group Name:</source>
        <translation>Gruppenname:</translation>
    </message>
    <message>
        <source>Members:</source>
        <translation>Mitglieder:</translation>
    </message>
    <message>
        <source>Group Properties</source>
        <translation>Gruppeneigenschaften</translation>
    </message>
</context>
<context>
    <name>Localizable2</name>
    <message>
        <source>Custom PDE Title</source>
        <translation>PC-Fax-Einstellungen</translation>
    </message>
    <message>
        <source>Fax Settings</source>
        <translation>PC-Fax-Einstellungen</translation>
    </message>
</context>
</TS>
