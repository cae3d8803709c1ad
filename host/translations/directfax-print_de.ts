<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>QObject</name>
    <message>
        <source>The job is ready. Submitting to CUPS is not enabled yet; this is what would be submitted.</source>
        <translation>Der Auftrag ist bereit. Das Senden an CUPS ist noch nicht eingeschaltet; dies würde gesendet.</translation>
    </message>
    <message>
        <source>The fax printer &quot;%1&quot; is ready: print to it from any program, and the fax dialog opens.</source>
        <translation>Der Faxdrucker „%1“ ist bereit: Drucken Sie aus einem beliebigen Programm darauf, und der Faxdialog öffnet sich.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; cannot be the name of a printer: use letters, digits, &apos;-&apos; and &apos;_&apos;.</source>
        <translation>„%1“ kann nicht der Name eines Druckers sein: Verwenden Sie Buchstaben, Ziffern, „-“ und „_“.</translation>
    </message>
    <message>
        <source>The fax printer could not be set up: %1</source>
        <translation>Der Faxdrucker konnte nicht eingerichtet werden: %1</translation>
    </message>
    <message numerus="yes">
        <source>The printer &quot;%1&quot; did not take the fax to %2: %3. None of the fax&apos;s %n job(s) was sent.</source>
        <translation>
            <numerusform>Der Drucker „%1“ hat das Fax an %2 nicht angenommen: %3. Der Auftrag des Faxes wurde nicht gesendet.</numerusform>
            <numerusform>Der Drucker „%1“ hat das Fax an %2 nicht angenommen: %3. Keiner der %n Aufträge des Faxes wurde gesendet.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>com::velmora::cps::print::pde::tarncrest::directfax::platform::PrintDialog</name>
    <message>
        <source>Print</source>
        <translation>Drucken</translation>
    </message>
    <message>
        <source>Printer</source>
        <translation>Drucker</translation>
    </message>
    <message>
        <source>PDF File</source>
        <translation>PDF-Datei</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>Printer:</source>
        <translation>Drucker:</translation>
    </message>
    <message>
        <source>Destination:</source>
        <translation>Ziel:</translation>
    </message>
    <message>
        <source>Document:</source>
        <translation>Dokument:</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>Einstellung</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
    <message>
        <source>Summary</source>
        <translation>Übersicht</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>The printer &quot;%1&quot; is not available.</source>
        <translation>Der Drucker „%1“ ist nicht verfügbar.</translation>
    </message>
    <message>
        <source>This panel has nothing to show.</source>
        <translation>Dieser Bereich hat nichts anzuzeigen.</translation>
    </message>
    <message>
        <source>The panel &quot;%1&quot; stopped printing. Check its settings and print again.</source>
        <translation>Der Bereich „%1“ hat das Drucken angehalten. Prüfen Sie seine Einstellungen und drucken Sie erneut.</translation>
    </message>
</context>
</TS>
