<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Localizable</name>
    <message>
        <source>Fax Settings</source>
        <translation>Faxeinstellungen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>Localizable2</name>
    <message>
        <source>Fax Settings</source>
        <translation>Fax-Optionen</translation>
    </message>
</context>
</TS>
