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
    <message>
        <source>kelvane_player</source>
        <translation>kelvane_player</translation>
    </message>
    <message>
        <source>please manual remove dir = (%1)</source>
        <translation>Удалите папку вручную: (%1)</translation>
    </message>
    <message>
        <source>File does not exist</source>
        <translation>Файл не существует</translation>
    </message>
    <message>
        <source>OpenArchive failed</source>
        <translation>Не удалось открыть архив</translation>
    </message>
    <message>
        <source>The lecture was not opened: it is protected by a password.</source>
        <translation>Лекция не открыта: она защищена паролем.</translation>
    </message>
    <message>
        <source>The package has no start page: there is no index.html in it.</source>
        <translation>В пакете нет начальной страницы: в нём нет index.html.</translation>
    </message>
    <message>
        <source>The lecture could not be unpacked: %1</source>
        <translation>Лекцию не удалось распаковать: %1</translation>
    </message>
</context>
<context>
    <name>EmbeddedContent</name>
    <message>
        <source>Online content, shown in the web browser when clicked:</source>
        <translation>Содержимое из интернета, откроется в веб-браузере по щелчку:</translation>
    </message>
    <message>
        <source>A file of the lecture, opened when clicked:</source>
        <translation>Файл лекции, откроется по щелчку:</translation>
    </message>
</context>
<context>
    <name>FramesetLayout</name>
    <message>
        <source>The frame &quot;%1&quot; shows &quot;%2&quot;, which the lecture does not have.</source>
        <translation>Во фрейме «%1» должен быть «%2», но в лекции его нет.</translation>
    </message>
</context>
<context>
    <name>MathMarkup</name>
    <message>
        <source>formula</source>
        <translation>формула</translation>
    </message>
</context>
<context>
    <name>PackageCheck</name>
    <message>
        <source>The path of the lecture package is too long for the file system:
%1</source>
        <translation>Путь к пакету лекции слишком длинный для файловой системы:
%1</translation>
    </message>
    <message>
        <source>The lecture package %1 cannot be read: permission denied.</source>
        <translation>Пакет лекции %1 не удаётся прочитать: доступ запрещён.</translation>
    </message>
    <message>
        <source>The lecture package %1 cannot be read: %2</source>
        <translation>Пакет лекции %1 не удаётся прочитать: %2</translation>
    </message>
    <message>
        <source>%1 is a folder, not a lecture package.</source>
        <translation>%1 — папка, а не пакет лекции.</translation>
    </message>
    <message>
        <source>%1 is not a regular file (it is a device, a pipe or a socket), so it is not a lecture package.</source>
        <translation>%1 — не обычный файл (это устройство, канал или сокет), поэтому не пакет лекции.</translation>
    </message>
    <message>
        <source>The lecture package %1 is damaged: %2</source>
        <translation>Пакет лекции %1 повреждён: %2</translation>
    </message>
    <message>
        <source>%1 is not a ZIP archive, so it is not a lecture package.</source>
        <translation>%1 — не ZIP-архив, поэтому не пакет лекции.</translation>
    </message>
    <message>
        <source>The lecture cannot be unpacked in %1: the path of its start page would be too long for the file system.</source>
        <translation>Лекцию нельзя распаковать в %1: путь к её начальной странице был бы слишком длинным для файловой системы.</translation>
    </message>
</context>
<context>
    <name>PageFinder</name>
    <message>
        <source>Not found</source>
        <translation>Не найдено</translation>
    </message>
    <message>
        <source>Reached the end of the page; continued from the top</source>
        <translation>Достигнут конец страницы; поиск продолжен с начала</translation>
    </message>
</context>
<context>
    <name>PageLimits</name>
    <message>
        <source>The page is %1 large; pages of more than %2 would keep the viewer busy for a long time.</source>
        <translation>Размер страницы — %1; страницы больше %2 надолго заняли бы программу просмотра.</translation>
    </message>
    <message>
        <source>The page puts tables %1 levels deep inside one another; more than %2 levels would keep the viewer busy for a long time.</source>
        <translation>На странице таблицы вложены друг в друга на %1 уровней; больше %2 уровней надолго заняли бы программу просмотра.</translation>
    </message>
    <message>
        <source>The page nests its elements %1 levels deep; pages deeper than %2 levels would keep the viewer busy for a long time.</source>
        <translation>Элементы страницы вложены на %1 уровней; страницы глубже %2 уровней надолго заняли бы программу просмотра.</translation>
    </message>
    <message>
        <source>This page is not shown here.</source>
        <translation>Эта страница здесь не показана.</translation>
    </message>
    <message>
        <source>The page %1 is not shown here. %2</source>
        <translation>Страница %1 здесь не показана. %2</translation>
    </message>
    <message>
        <source>Open in the Browser</source>
        <translation>Открыть в браузере</translation>
    </message>
</context>
<context>
    <name>PageNavigator</name>
    <message>
        <source>No program is set up to open &quot;%1&quot;.</source>
        <translation>Не настроена программа, которая открывает «%1».</translation>
    </message>
    <message>
        <source>The link &quot;%1&quot; leads outside the lecture and is not followed.</source>
        <translation>Ссылка «%1» ведёт за пределы лекции и не открывается.</translation>
    </message>
    <message>
        <source>The lecture has no file &quot;%1&quot;.</source>
        <translation>В лекции нет файла «%1».</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a document and is not opened from a lecture.</source>
        <translation>«%1» — не документ, из лекции он не открывается.</translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; cannot be read.</source>
        <translation>Файл «%1» не удаётся прочитать.</translation>
    </message>
</context>
<context>
    <name>PagePrinter</name>
    <message>
        <source>Print the page</source>
        <translation>Печать страницы</translation>
    </message>
</context>
<context>
    <name>PasswordPrompt</name>
    <message>
        <source>Password</source>
        <translation>Пароль</translation>
    </message>
    <message>
        <source>The password is wrong. Enter the password of the lecture &quot;%1&quot; again:</source>
        <translation>Пароль неверен. Введите пароль лекции «%1» ещё раз:</translation>
    </message>
    <message>
        <source>The lecture &quot;%1&quot; is protected by a password. Enter the password:</source>
        <translation>Лекция «%1» защищена паролем. Введите пароль:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>ОК</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>cannot create dir </source>
        <translation>не удалось создать папку </translation>
    </message>
</context>
<context>
    <name>UnZip</name>
    <message>
        <source>ZIP operation completed successfully.</source>
        <translation>Операция с ZIP-архивом выполнена успешно.</translation>
    </message>
    <message>
        <source>Failed to initialize or load zlib library.</source>
        <translation>Не удалось инициализировать или загрузить библиотеку zlib.</translation>
    </message>
    <message>
        <source>zlib library error.</source>
        <translation>Ошибка библиотеки zlib.</translation>
    </message>
    <message>
        <source>Unable to create or open file.</source>
        <translation>Не удалось создать или открыть файл.</translation>
    </message>
    <message>
        <source>No archive has been created yet.</source>
        <translation>Архив ещё не создан.</translation>
    </message>
    <message>
        <source>File or directory does not exist.</source>
        <translation>Файл или папка не существует.</translation>
    </message>
    <message>
        <source>File read error.</source>
        <translation>Ошибка чтения файла.</translation>
    </message>
    <message>
        <source>File write error.</source>
        <translation>Ошибка записи файла.</translation>
    </message>
    <message>
        <source>File seek error.</source>
        <translation>Ошибка позиционирования в файле.</translation>
    </message>
    <message>
        <source>Unknown error.</source>
        <translation>Неизвестная ошибка.</translation>
    </message>
    <message>
        <source>Extraction cancelled.</source>
        <translation>Распаковка отменена.</translation>
    </message>
    <message>
        <source>Partially corrupted archive. Some files might be extracted.</source>
        <translation>Архив частично повреждён. Некоторые файлы, возможно, извлечены.</translation>
    </message>
    <message>
        <source>Corrupted archive.</source>
        <translation>Архив повреждён.</translation>
    </message>
    <message>
        <source>Wrong password.</source>
        <translation>Неверный пароль.</translation>
    </message>
    <message>
        <source>Unable to create a directory.</source>
        <translation>Не удалось создать папку.</translation>
    </message>
    <message>
        <source>Invalid device.</source>
        <translation>Недопустимое устройство.</translation>
    </message>
    <message>
        <source>Invalid or incompatible zip archive.</source>
        <translation>Недопустимый или несовместимый ZIP-архив.</translation>
    </message>
    <message>
        <source>Inconsistent headers. Archive might be corrupted.</source>
        <translation>Заголовки не согласованы. Возможно, архив повреждён.</translation>
    </message>
    <message>
        <source>method %1 (%2) not supported</source>
        <translation>метод %1 (%2) не поддерживается</translation>
    </message>
    <message>
        <source>method %1 not supported</source>
        <translation>метод %1 не поддерживается</translation>
    </message>
    <message>
        <source>needs version %1.%2 to extract, not supported</source>
        <translation>требуется версия %1.%2 для извлечения, не поддерживается</translation>
    </message>
    <message>
        <source>strong encryption not supported</source>
        <translation>сильное шифрование не поддерживается</translation>
    </message>
    <message>
        <source>WinZip AES without a valid extra field, not supported</source>
        <translation>WinZip AES без верного дополнительного поля не поддерживается</translation>
    </message>
    <message>
        <source>entry without a name</source>
        <translation>запись без имени</translation>
    </message>
    <message>
        <source>The archive of %1 has been closed.</source>
        <translation>Архив, содержащий %1, закрыт.</translation>
    </message>
    <message>
        <source>Seeking to the data of %1 failed.</source>
        <translation>Не удалось перейти к данным %1.</translation>
    </message>
    <message>
        <source>Reading the data of %1 failed.</source>
        <translation>Не удалось прочитать данные %1.</translation>
    </message>
    <message>
        <source>The archive ends inside the data of %1.</source>
        <translation>Архив обрывается посреди данных %1.</translation>
    </message>
    <message>
        <source>The data of %1 do not match their CRC-32.</source>
        <translation>Данные %1 не совпадают со своей контрольной суммой CRC-32.</translation>
    </message>
    <message>
        <source>The data of %1 run beyond their recorded size.</source>
        <translation>Данные %1 длиннее записанного размера.</translation>
    </message>
    <message>
        <source>The compressed data of %1 are invalid.</source>
        <translation>Сжатые данные %1 повреждены.</translation>
    </message>
    <message>
        <source>The data of %1 end before their recorded size.</source>
        <translation>Данные %1 короче записанного размера.</translation>
    </message>
    <message>
        <source>The authentication code of %1 does not match: wrong password or damaged data.</source>
        <translation>Код аутентификации %1 не совпадает: неверный пароль или повреждённые данные.</translation>
    </message>
    <message>
        <source>Wrong or missing password.</source>
        <translation>Неверный пароль или пароль не задан.</translation>
    </message>
    <message>
        <source>The file exists; it was not overwritten.</source>
        <translation>Файл уже существует; он не перезаписан.</translation>
    </message>
</context>
<context>
    <name>UnpackBudget</name>
    <message>
        <source>There is no room to unpack this lecture: it needs %1, and only %2 are free in %3.</source>
        <translation>Для распаковки лекции нет места: нужно %1, а в %3 свободно только %2.</translation>
    </message>
    <message>
        <source>This lecture unpacks to %1, from a package of %2; %3 of free space would remain in %4.

Unpack it all the same?</source>
        <translation>Лекция распаковывается в %1 из пакета размером %2; в %4 останется %3 свободного места.

Всё равно распаковать?</translation>
    </message>
    <message>
        <source>Unpack</source>
        <translation>Распаковать</translation>
    </message>
</context>
<context>
    <name>UnpackIndicator</name>
    <message>
        <source>Unpacking: %1 %</source>
        <translation>Распаковка: %1 %</translation>
    </message>
</context>
<context>
    <name>UnpackReport</name>
    <message>
        <source>Files of the lecture that could not be unpacked (%1):</source>
        <translation>Файлы лекции, которые не удалось распаковать (%1):</translation>
    </message>
    <message>
        <source>and %1 more</source>
        <translation>и ещё %1</translation>
    </message>
</context>
<context>
    <name>UnpackRun</name>
    <message>
        <source>Opening the lecture</source>
        <translation>Открытие лекции</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Unpacking %1
%2 of %3</source>
        <translation>Распаковка %1
%2 из %3</translation>
    </message>
</context>
<context>
    <name>Zip</name>
    <message>
        <source>ZIP operation completed successfully.</source>
        <translation>Операция с ZIP-архивом выполнена успешно.</translation>
    </message>
    <message>
        <source>Failed to initialize or load zlib library.</source>
        <translation>Не удалось инициализировать или загрузить библиотеку zlib.</translation>
    </message>
    <message>
        <source>zlib library error.</source>
        <translation>Ошибка библиотеки zlib.</translation>
    </message>
    <message>
        <source>Unable to create or open file.</source>
        <translation>Не удалось создать или открыть файл.</translation>
    </message>
    <message>
        <source>No archive has been created yet.</source>
        <translation>Архив ещё не создан.</translation>
    </message>
    <message>
        <source>File or directory does not exist.</source>
        <translation>Файл или папка не существует.</translation>
    </message>
    <message>
        <source>File read error.</source>
        <translation>Ошибка чтения файла.</translation>
    </message>
    <message>
        <source>File write error.</source>
        <translation>Ошибка записи файла.</translation>
    </message>
    <message>
        <source>File seek error.</source>
        <translation>Ошибка позиционирования в файле.</translation>
    </message>
    <message>
        <source>Unknown error.</source>
        <translation>Неизвестная ошибка.</translation>
    </message>
    <message>
        <source>The archive already exists.</source>
        <translation>Архив уже существует.</translation>
    </message>
</context>
</TS>
