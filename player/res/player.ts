<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru">
<context>
    <name>CMainWindow</name>
    <message>
        <source>Find</source>
        <translation>Поиск</translation>
    </message>
    <message>
        <source>Find next</source>
        <translation>Найти</translation>
    </message>
    <message>
        <source>Font Up</source>
        <translation>Увеличить шрифт</translation>
    </message>
    <message>
        <source>Font Down</source>
        <translation>Уменьшить шрифт</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Вернуться</translation>
    </message>
</context>
<context>
    <name>UnZip</name>
    <message>
        <source>ZIP operation completed successfully.</source>
        <translation></translation>
    </message>
    <message>
        <source>Failed to initialize or load zlib library.</source>
        <translation></translation>
    </message>
    <message>
        <source>zlib library error.</source>
        <translation></translation>
    </message>
    <message>
        <source>Unable to create or open file.</source>
        <translation></translation>
    </message>
    <message>
        <source>No archive has been created yet.</source>
        <translation></translation>
    </message>
    <message>
        <source>File or directory does not exist.</source>
        <translation></translation>
    </message>
    <message>
        <source>File read error.</source>
        <translation></translation>
    </message>
    <message>
        <source>File write error.</source>
        <translation></translation>
    </message>
    <message>
        <source>File seek error.</source>
        <translation></translation>
    </message>
    <message>
        <source>Unknown error.</source>
        <translation></translation>
    </message>
    <message>
        <source>Partially corrupted archive. Some files might be extracted.</source>
        <translation></translation>
    </message>
    <message>
        <source>Corrupted archive.</source>
        <translation></translation>
    </message>
    <message>
        <source>Wrong password.</source>
        <translation></translation>
    </message>
    <message>
        <source>Unable to create a directory.</source>
        <translation></translation>
    </message>
    <message>
        <source>Invalid device.</source>
        <translation></translation>
    </message>
    <message>
        <source>Invalid or incompatible zip archive.</source>
        <translation></translation>
    </message>
    <message>
        <source>Inconsistent headers. Archive might be corrupted.</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>Zip</name>
    <message>
        <source>ZIP operation completed successfully.</source>
        <translation></translation>
    </message>
    <message>
        <source>Failed to initialize or load zlib library.</source>
        <translation></translation>
    </message>
    <message>
        <source>zlib library error.</source>
        <translation></translation>
    </message>
    <message>
        <source>Unable to create or open file.</source>
        <translation></translation>
    </message>
    <message>
        <source>No archive has been created yet.</source>
        <translation></translation>
    </message>
    <message>
        <source>File or directory does not exist.</source>
        <translation></translation>
    </message>
    <message>
        <source>File read error.</source>
        <translation></translation>
    </message>
    <message>
        <source>File write error.</source>
        <translation></translation>
    </message>
    <message>
        <source>File seek error.</source>
        <translation></translation>
    </message>
    <message>
        <source>Unknown error.</source>
        <translation></translation>
    </message>
</context>
</TS>
