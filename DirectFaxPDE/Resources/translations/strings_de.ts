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
        <source>Sender Name:</source>
        <translation>Absendername:</translation>
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
