<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Localizable</name>
    <message>
        <source>Custom PDE Title</source>
        <translation>Fax Settings</translation>
    </message>
    <message>
        <source>Fax Settings</source>
        <translation>Fax Settings</translation>
    </message>
    <message>
        <source>Image Quality:</source>
        <translation>Image Quality:</translation>
    </message>
    <message>
        <source>Transmission Report:</source>
        <translation>Transmission Report:</translation>
    </message>
    <message>
        <source>Cover Page Settings</source>
        <translation>Cover Page Settings</translation>
    </message>
    <message>
        <source>Cover Page:</source>
        <translation>Cover Page:</translation>
    </message>
    <message>
        <source>Sender:</source>
        <translation>Sender:</translation>
    </message>
    <message>
        <source>Sender Name:</source>
        <translation>Sender Name:</translation>
    </message>
    <message>
        <source>Sender Name</source>
        <translation>Sender Name</translation>
    </message>
    <message>
        <source>Address Book Editor...</source>
        <translation>Address Book Editor...</translation>
    </message>
    <message>
        <source>Default Settings</source>
        <translation>Default Settings</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>Localizable2</name>
    <message>
        <source>Custom PDE Title</source>
        <translation>PC-Fax Settings</translation>
    </message>
    <message>
        <source>Fax Settings</source>
        <translation>PC-Fax Settings</translation>
    </message>
</context>
</TS>
