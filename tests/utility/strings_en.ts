<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>Localizable</name>
    <message>
        <source>Fax Settings</source>
        <translation>Fax Settings</translation>
    </message>
    <message>
        <source>DFAX_LONG_HELP</source>
        <translation>Sends the document as a fax.</translation>
    </message>
</context>
</TS>
