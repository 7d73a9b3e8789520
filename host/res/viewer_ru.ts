<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>BookmarksMenu</name>
    <message>
        <source>&amp;Bookmarks</source>
        <translation>&amp;Закладки</translation>
    </message>
    <message>
        <source>&amp;Add Bookmark</source>
        <translation>&amp;Добавить закладку</translation>
    </message>
    <message>
        <source>&amp;Remove the Bookmarks of This Lecture</source>
        <translation>&amp;Удалить закладки этой лекции</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Load the player plug-in from &lt;path&gt; (default: where the program keeps it).</source>
        <translation>Загрузить модуль проигрывателя из &lt;путь&gt; (по умолчанию: там, где его держит программа).</translation>
    </message>
    <message>
        <source>path</source>
        <translation>путь</translation>
    </message>
    <message>
        <source>Language of the controls: ru for Russian, anything else for English (default: from the system locale).</source>
        <translation>Язык элементов управления: ru для русского, иначе английский (по умолчанию: по языку системы).</translation>
    </message>
    <message>
        <source>language</source>
        <translation>язык</translation>
    </message>
    <message>
        <source>Render the window after opening into &lt;file&gt; (PNG) and exit; without a display this happens offscreen.</source>
        <translation>Отрисовать окно после открытия в &lt;файл&gt; (PNG) и выйти; без дисплея отрисовка идёт вне экрана.</translation>
    </message>
    <message>
        <source>file</source>
        <translation>файл</translation>
    </message>
    <message>
        <source>Window size as WIDTHxHEIGHT, kept within the screen; a screenshot gets exactly this size (default: 960x820).</source>
        <translation>Размер окна как ШИРИНАxВЫСОТА, в пределах экрана; снимок получает ровно этот размер (по умолчанию: 960x820).</translation>
    </message>
    <message>
        <source>size</source>
        <translation>размер</translation>
    </message>
    <message>
        <source>The lecture package to open.</source>
        <translation>Открываемый пакет лекции.</translation>
    </message>
    <message>
        <source>[package.zip]</source>
        <translation>[пакет.zip]</translation>
    </message>
    <message>
        <source>only one package can be opened at a time</source>
        <translation>за один раз можно открыть только один пакет</translation>
    </message>
    <message>
        <source>--size expects WIDTHxHEIGHT, got &quot;%1&quot;</source>
        <translation>--size ожидает ШИРИНАxВЫСОТА, получено «%1»</translation>
    </message>
    <message>
        <source>no such package: %1</source>
        <translation>нет такого пакета: %1</translation>
    </message>
    <message>
        <source>Print the lecture&apos;s contents (title, tab, path inside the package; indented by two spaces a level) and exit; no window is shown.</source>
        <translation>Вывести оглавление лекции (заголовок, табуляция, путь внутри пакета; отступ в два пробела на уровень) и выйти; окно не показывается.</translation>
    </message>
    <message>
        <source>Print each match of &lt;text&gt; in the lecture&apos;s pages (path inside the package, tab, the words around it) and exit: 0 when something was found, 1 when nothing was.</source>
        <translation>Вывести каждое вхождение &lt;текст&gt; в страницах лекции (путь внутри пакета, табуляция, слова вокруг) и выйти: 0, если что-то найдено, 1, если ничего.</translation>
    </message>
    <message>
        <source>text</source>
        <translation>текст</translation>
    </message>
    <message>
        <source>With --pdf: write only the page at &lt;path&gt; inside the package.</source>
        <translation>Вместе с --pdf: записать только страницу &lt;путь&gt; внутри пакета.</translation>
    </message>
    <message>
        <source>--find expects a text to look for</source>
        <translation>для --find нужен текст для поиска</translation>
    </message>
    <message>
        <source>--page goes with --pdf</source>
        <translation>--page используется вместе с --pdf</translation>
    </message>
    <message>
        <source>--contents, --find, --pdf and --screenshot cannot be combined</source>
        <translation>--contents, --find, --pdf и --screenshot нельзя сочетать</translation>
    </message>
    <message>
        <source>Shows a lecture package (a ZIP archive with index.html) in the Kelvane player.
Without a package it shows its start screen (recent lectures, the bundled sample); --screenshot, --pdf, --contents and --find then take the sample lecture.</source>
        <translation>Показывает пакет лекции (ZIP-архив с index.html) в проигрывателе Kelvane.
Без пакета показывает начальный экран (недавние лекции, лекция-образец); --screenshot, --pdf, --contents и --find в этом случае берут лекцию-образец.</translation>
    </message>
    <message>
        <source>Write every page of the lecture, in the order of its contents, into &lt;file&gt; (PDF, pictures included, each page on a new sheet) and exit; no window is shown.</source>
        <translation>Записать все страницы лекции в порядке оглавления в &lt;файл&gt; (PDF с рисунками, каждая страница с нового листа) и выйти; окно не показывается.</translation>
    </message>
</context>
<context>
    <name>ContentsPanel</name>
    <message>
        <source>Contents</source>
        <translation>Оглавление</translation>
    </message>
    <message>
        <source>Other pages</source>
        <translation>Другие страницы</translation>
    </message>
</context>
<context>
    <name>LectureReport</name>
    <message>
        <source>Other pages</source>
        <translation>Другие страницы</translation>
    </message>
</context>
<context>
    <name>LectureSearchPanel</name>
    <message>
        <source>Search the Lecture</source>
        <translation>Поиск по лекции</translation>
    </message>
    <message>
        <source>Search all pages</source>
        <translation>Искать на всех страницах</translation>
    </message>
    <message>
        <source>Page</source>
        <translation>Страница</translation>
    </message>
    <message>
        <source>Found</source>
        <translation>Найдено</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is on no page of the lecture.</source>
        <translation>«%1» нет ни на одной странице лекции.</translation>
    </message>
    <message numerus="yes">
        <source>%n match(es)</source>
        <translation>
            <numerusform>%n совпадение</numerusform>
            <numerusform>%n совпадения</numerusform>
            <numerusform>%n совпадений</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>NavigationBar</name>
    <message>
        <source>Navigation</source>
        <translation>Навигация</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Назад</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>Вперёд</translation>
    </message>
    <message>
        <source>Start page</source>
        <translation>Начальная страница</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
</context>
<context>
    <name>PageExport</name>
    <message>
        <source>cannot write %1: %2</source>
        <translation>не удаётся записать %1: %2</translation>
    </message>
    <message>
        <source>cannot write %1</source>
        <translation>не удаётся записать %1</translation>
    </message>
</context>
<context>
    <name>PlayerPlugin</name>
    <message>
        <source>cannot load the player plug-in %1: %2</source>
        <translation>не удаётся загрузить модуль проигрывателя %1: %2</translation>
    </message>
    <message>
        <source>%1 is not a compatible player plug-in; its verification text is:
%2</source>
        <translation>%1 не является совместимым модулем проигрывателя; его проверочный текст:
%2</translation>
    </message>
    <message>
        <source>%1 gives no player window (%2)</source>
        <translation>%1 не даёт окна проигрывателя (%2)</translation>
    </message>
</context>
<context>
    <name>PrivateWorkFolder</name>
    <message>
        <source>cannot remove the working folder %1</source>
        <translation>не удаётся удалить рабочую папку %1</translation>
    </message>
    <message>
        <source>cannot make a private working folder in %1: %2</source>
        <translation>не удаётся создать личную рабочую папку в %1: %2</translation>
    </message>
</context>
<context>
    <name>StartScreen</name>
    <message>
        <source>&amp;Open a Lecture...</source>
        <translation>&amp;Открыть лекцию...</translation>
    </message>
    <message>
        <source>Open the &amp;Sample Lecture</source>
        <translation>Открыть лекцию-&amp;образец</translation>
    </message>
    <message>
        <source>&lt;h2&gt;Kelvane Viewer&lt;/h2&gt;&lt;p&gt;Recent lectures:&lt;/p&gt;</source>
        <translation>&lt;h2&gt;Kelvane Viewer&lt;/h2&gt;&lt;p&gt;Недавние лекции:&lt;/p&gt;</translation>
    </message>
    <message>
        <source>Lecture</source>
        <translation>Лекция</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Файл</translation>
    </message>
    <message>
        <source>Last opened</source>
        <translation>Открывалась</translation>
    </message>
</context>
<context>
    <name>ViewerSession</name>
    <message>
        <source>the plug-in holds no translation catalogue; staying in English</source>
        <translation>в модуле нет каталога перевода; интерфейс остаётся английским</translation>
    </message>
    <message>
        <source>%1 has no sgQuit() signal</source>
        <translation>у %1 нет сигнала sgQuit()</translation>
    </message>
    <message>
        <source>cannot write the screenshot %1</source>
        <translation>не удаётся записать снимок %1</translation>
    </message>
    <message>
        <source>the player shows no page that could be exported</source>
        <translation>проигрыватель не показывает страницы, которую можно экспортировать</translation>
    </message>
    <message>
        <source>Kelvane</source>
        <translation>Kelvane</translation>
    </message>
    <message>
        <source>the player cannot list the pages of a lecture</source>
        <translation>проигрыватель не умеет перечислять страницы лекции</translation>
    </message>
    <message>
        <source>cannot write to standard output</source>
        <translation>не удалось записать в стандартный вывод</translation>
    </message>
    <message>
        <source>the player cannot show single pages; the page shown is written</source>
        <translation>проигрыватель не умеет показывать отдельные страницы; записывается показанная страница</translation>
    </message>
    <message>
        <source>the lecture has no page %1</source>
        <translation>в лекции нет страницы %1</translation>
    </message>
</context>
<context>
    <name>ViewerWindow</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Файл</translation>
    </message>
    <message>
        <source>&amp;Open...</source>
        <translation>&amp;Открыть...</translation>
    </message>
    <message>
        <source>Open &amp;Recent</source>
        <translation>&amp;Недавние</translation>
    </message>
    <message>
        <source>&amp;Print...</source>
        <translation>&amp;Печать...</translation>
    </message>
    <message>
        <source>&amp;Export to PDF...</source>
        <translation>&amp;Экспорт в PDF...</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Выход</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Справка</translation>
    </message>
    <message>
        <source>&amp;About and Keys</source>
        <translation>&amp;О программе и клавиши</translation>
    </message>
    <message>
        <source>Kelvane</source>
        <translation>Kelvane</translation>
    </message>
    <message>
        <source>There is no package %1.</source>
        <translation>Пакета %1 нет.</translation>
    </message>
    <message>
        <source>Open Lecture Package</source>
        <translation>Открыть пакет лекции</translation>
    </message>
    <message>
        <source>Lecture packages (*.zip);;All files (*)</source>
        <translation>Пакеты лекций (*.zip);;Все файлы (*)</translation>
    </message>
    <message>
        <source>&amp;%1 %2 (%3)</source>
        <translation>&amp;%1 %2 (%3)</translation>
    </message>
    <message>
        <source>&amp;Clear List</source>
        <translation>&amp;Очистить список</translation>
    </message>
    <message>
        <source>Export to PDF</source>
        <translation>Экспорт в PDF</translation>
    </message>
    <message>
        <source>PDF documents (*.pdf)</source>
        <translation>Документы PDF (*.pdf)</translation>
    </message>
    <message>
        <source>Open a lecture package</source>
        <translation>Открыть пакет лекции</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Выйти</translation>
    </message>
    <message>
        <source>This window</source>
        <translation>Это окно</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Kelvane Viewer %1&lt;/h3&gt;&lt;p&gt;Shows lecture packages: ZIP archives with an index.html page and its pictures. Drop a package on the window to open it.&lt;/p&gt;</source>
        <translation>&lt;h3&gt;Kelvane Viewer %1&lt;/h3&gt;&lt;p&gt;Показывает пакеты лекций: ZIP-архивы со страницей index.html и её рисунками. Перетащите пакет в окно, чтобы открыть его.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;p&gt;&lt;b&gt;Keys&lt;/b&gt;&lt;/p&gt;</source>
        <translation>&lt;p&gt;&lt;b&gt;Клавиши&lt;/b&gt;&lt;/p&gt;</translation>
    </message>
    <message>
        <source>About Kelvane Viewer</source>
        <translation>О программе Kelvane Viewer</translation>
    </message>
    <message>
        <source>%1 - Kelvane</source>
        <translation>%1 - Kelvane</translation>
    </message>
    <message>
        <source>Go to the search field (Enter finds)</source>
        <translation>Перейти в поле поиска (Enter ищет)</translation>
    </message>
    <message>
        <source>Find the next match</source>
        <translation>Найти следующее совпадение</translation>
    </message>
    <message>
        <source>Larger text</source>
        <translation>Увеличить шрифт</translation>
    </message>
    <message>
        <source>Smaller text</source>
        <translation>Уменьшить шрифт</translation>
    </message>
    <message>
        <source>Back to the previous page</source>
        <translation>Назад, на предыдущую страницу</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Вид</translation>
    </message>
    <message>
        <source>&amp;Contents</source>
        <translation>&amp;Оглавление</translation>
    </message>
    <message>
        <source>&amp;Search the Lecture...</source>
        <translation>&amp;Поиск по лекции...</translation>
    </message>
    <message>
        <source>Forward again</source>
        <translation>Снова вперёд</translation>
    </message>
    <message>
        <source>The start page of the lecture</source>
        <translation>Начальная страница лекции</translation>
    </message>
    <message>
        <source>Show or hide the contents</source>
        <translation>Показать или скрыть оглавление</translation>
    </message>
    <message>
        <source>Search the whole lecture</source>
        <translation>Искать по всей лекции</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Печать</translation>
    </message>
    <message>
        <source>The lecture could not be printed.</source>
        <translation>Лекцию не удалось напечатать.</translation>
    </message>
    <message>
        <source>Print the page or the whole lecture</source>
        <translation>Напечатать страницу или всю лекцию</translation>
    </message>
    <message>
        <source>Export the whole lecture to PDF</source>
        <translation>Экспорт всей лекции в PDF</translation>
    </message>
    <message>
        <source>Bookmark the place shown</source>
        <translation>Закладка на показанное место</translation>
    </message>
</context>
<context>
    <name>WorkFolderPlace</name>
    <message>
        <source>%1 free in %2</source>
        <translation>%1 свободно в %2</translation>
    </message>
    <message>
        <source>There is no room to unpack this lecture: it needs %1, and there is only %2.</source>
        <translation>Для распаковки лекции нет места: нужно %1, а есть только %2.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>no display can be opened (neither DISPLAY nor WAYLAND_DISPLAY is set); --screenshot and --pdf work without one</source>
        <translation>не удаётся открыть дисплей (не заданы ни DISPLAY, ни WAYLAND_DISPLAY); --screenshot и --pdf работают без него</translation>
    </message>
</context>
</TS>
