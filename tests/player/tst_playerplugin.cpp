// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// The plug-in as a host sees it, loaded through QPluginLoader: the entry
// points, the interface casts, the meta-object and meta calls, the window's
// widgets and controls, the resources and the catalogue.

#include "playertestsupport.h"

#include <ikelvaneplayer.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QLibrary>
#include <QtCore/QMetaMethod>
#include <QtCore/QRegularExpression>
#include <QtCore/QPluginLoader>
#include <QtCore/QPointer>
#include <QtCore/QResource>
#include <QtCore/QTranslator>
#include <QtGui/QImageReader>
#include <QtTest/QSignalSpy>
#include <QtTest/QtTest>
#include <QtWidgets/QToolTip>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLayout>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QTextBrowser>

#include <dlfcn.h>

class tst_PlayerPlugin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void verificationText();
    void instanceIsKeptUntilDeleted();
    void casts_data();
    void casts();
    void interfaceCastFromHost();
    void invokedByName();
    void metaCallOpenWithNullResult();
    void metaCallOpenStoresResult();
    void metaCallControls();
    void metaCallPastOwnMethods_data();
    void metaCallPastOwnMethods();
    void metaCallOtherKindsPassThrough();
    void constructorWritesTwoLines();
    void widgetTree();
    void geometry();
    void buttonIcons_data();
    void buttonIcons();
    void find();
    void findEmptyTextOnlyMovesFocus();
    void returnInSearchFieldFinds();
    void notFoundSignUntilTextChanges();
    void windowKeys_data();
    void windowKeys();
    void zoom();
    void zoomButtons();
    void backButtonEmitsQuitOnce();
    void resources_data();
    void resources();
    void catalogue_data();
    void catalogue();
    void labelTranslated();
    void unloadUnregistersResources();

private:
    QObject *freshWindow();

    QPluginLoader m_loader{QStringLiteral(KELVANE_PLAYER_PLUGIN)};
    QPointer<QObject> m_window;
};

// The exported functions of the plug-in the loader has mapped, looked up
// through a reference of the system's own (dlopen with RTLD_NOLOAD), which is
// dropped again on destruction. A QLibrary of the same file would share the
// loader's bookkeeping: on Qt 6 its unload() ends the loader's load as well,
// and instance() gives null from then on; on Qt 5 it does not.
class PluginSymbols
{
public:
    explicit PluginSymbols(const QString &file)
        : m_handle(dlopen(QFile::encodeName(file).constData(), RTLD_NOW | RTLD_NOLOAD))
    {
    }
    ~PluginSymbols()
    {
        if (m_handle)
            dlclose(m_handle);
    }
    PluginSymbols(const PluginSymbols &) = delete;
    PluginSymbols &operator=(const PluginSymbols &) = delete;

    void *resolve(const char *name) const { return m_handle ? dlsym(m_handle, name) : nullptr; }

private:
    void *m_handle;
};

void tst_PlayerPlugin::initTestCase()
{
    QVERIFY(QDir().mkpath(QDir::tempPath()));
    // QPluginLoader keeps plug-ins mapped after unload() unless told
    // otherwise; the last test needs a real unload.
    m_loader.setLoadHints(QLibrary::LoadHints());
    QVERIFY2(m_loader.load(), qPrintable(m_loader.errorString()));
    QCOMPARE(m_loader.metaData().value(QStringLiteral("IID")).toString(), QStringLiteral("IKelvanePlayer/1.0"));
    QCOMPARE(m_loader.metaData().value(QStringLiteral("className")).toString(), QStringLiteral("CMainWindow"));
}

void tst_PlayerPlugin::cleanup()
{
    delete m_window;
    QDir::setCurrent(QDir::tempPath());
    QDir(workingFolder()).removeRecursively();
}

QObject *tst_PlayerPlugin::freshWindow()
{
    delete m_window;
    StdoutCapture console; // "ok3", "ok4": checked in constructorWritesTwoLines
    m_window = m_loader.instance();
    return m_window;
}

void tst_PlayerPlugin::verificationText()
{
    PluginSymbols library(m_loader.fileName());
    using Function = const char *(*)();
    const auto function = reinterpret_cast<Function>(library.resolve("qt_plugin_query_verification_data"));
    QVERIFY(function);
    const QByteArray text(function());
    QCOMPARE(text, QByteArray("pattern=QT_PLUGIN_VERIFICATION_DATA\nversion=4.5.0\ndebug=false\n"
                              "buildkey=i386 linux g++-4 full-config"));
}

void tst_PlayerPlugin::instanceIsKeptUntilDeleted()
{
    QObject *first = freshWindow();
    QVERIFY(first);
    QCOMPARE(m_loader.instance(), first);

    // The exported entry itself keeps the same object.
    PluginSymbols library(m_loader.fileName());
    using InstanceFunction = QObject *(*)();
    const auto entry = reinterpret_cast<InstanceFunction>(library.resolve("qt_plugin_instance"));
    QVERIFY(entry);
    QCOMPARE(entry(), first);
    QVERIFY(qobject_cast<QWidget *>(first)->isWindow());
    QVERIFY(!first->parent());

    first->setProperty("kelvaneMarker", 1);
    QPointer<QObject> guard(first);
    delete first;
    QVERIFY(guard.isNull());

    StdoutCapture console;
    QObject *second = entry();
    console.finish();
    QVERIFY(second);
    QVERIFY(!second->property("kelvaneMarker").isValid());
    m_window = second;
    QCOMPARE(entry(), second);
    QCOMPARE(m_loader.instance(), second);
}

void tst_PlayerPlugin::casts_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("expected"); // 0 null, 1 the object, 2 the interface part

    QTest::newRow("null") << QByteArray() << 0;
    QTest::newRow("class") << QByteArray("CMainWindow") << 1;
    QTest::newRow("interface") << QByteArray("IKelvanePlayer") << 2;
    QTest::newRow("interface id") << QByteArray("IKelvanePlayer/1.0") << 2;
    QTest::newRow("QWidget") << QByteArray("QWidget") << 1;
    QTest::newRow("QObject") << QByteArray("QObject") << 1;
    QTest::newRow("class, lower case") << QByteArray("cmainwindow") << 0;
    QTest::newRow("interface, other case") << QByteArray("ikelvaneplayer") << 0;
    QTest::newRow("interface id, other case") << QByteArray("IKELVANEPLAYER/1.0") << 0;
    QTest::newRow("interface id, other version") << QByteArray("IKelvanePlayer/1.1") << 0;
    QTest::newRow("prefix only") << QByteArray("IKelvanePlayer/") << 0;
    QTest::newRow("empty") << QByteArray("") << 0;
}

void tst_PlayerPlugin::casts()
{
    QFETCH(QByteArray, name);
    QFETCH(int, expected);

    QObject *window = freshWindow();
    void *result = window->qt_metacast(name.isNull() ? nullptr : name.constData());
    auto *interfacePart = static_cast<IKelvanePlayer *>(window->qt_metacast("IKelvanePlayer/1.0"));
    switch (expected) {
    case 0:
        QCOMPARE(result, nullptr);
        break;
    case 1:
        QCOMPARE(result, static_cast<void *>(window));
        break;
    case 2:
        QCOMPARE(result, static_cast<void *>(interfacePart));
        QVERIFY(result != static_cast<void *>(window));
        break;
    }
}

void tst_PlayerPlugin::interfaceCastFromHost()
{
    QObject *window = freshWindow();
    IKelvanePlayer *player = qobject_cast<IKelvanePlayer *>(window);
    QVERIFY(player);
    QCOMPARE(static_cast<void *>(player), window->qt_metacast("IKelvanePlayer"));

    // A call through the interface reaches the window's own slot: a path
    // that names nothing is answered with true (the interface's body says false).
    StdoutCapture console;
    const bool result = player->slOpen(QDir::tempPath() + QStringLiteral("/no-such-package.zip"));
    QCOMPARE(console.finish(), QStringList({"ok5", "ok8"}));
    QVERIFY(result);
}

// A host reaches the window by names alone: the class, the signal it
// connects to and the slots it invokes, each of which must act.
void tst_PlayerPlugin::invokedByName()
{
    QObject *window = freshWindow();
    QCOMPARE(window->metaObject()->className(), "CMainWindow");
    const PlayerWidgets w = PlayerWidgets::of(qobject_cast<QWidget *>(window));
    QVERIFY(w.complete());
    QSignalSpy quitSpy(window, SIGNAL(sgQuit()));
    QVERIFY(quitSpy.isValid());

    bool opened = false;
    StdoutCapture console;
    QVERIFY(QMetaObject::invokeMethod(window, "slOpen", Qt::DirectConnection, Q_RETURN_ARG(bool, opened),
                                      Q_ARG(QString, QDir::tempPath() + QStringLiteral("/no-such-package.zip"))));
    QCOMPARE(console.finish(), QStringList({"ok5", "ok8"}));
    QVERIFY(opened);

    const qreal size = w.browser->font().pointSizeF();
    QVERIFY(QMetaObject::invokeMethod(window, "slFontUp", Qt::DirectConnection));
    QCOMPARE(w.browser->font().pointSizeF(), size + 1);
    QVERIFY(QMetaObject::invokeMethod(window, "slFontDown", Qt::DirectConnection));
    QCOMPARE(w.browser->font().pointSizeF(), size);

    w.browser->setPlainText(QStringLiteral("one two"));
    w.findEdit->setText(QStringLiteral("two"));
    QVERIFY(QMetaObject::invokeMethod(window, "slFind", Qt::DirectConnection));
    QCOMPARE(w.browser->textCursor().selectedText(), QStringLiteral("two"));

    QCOMPARE(quitSpy.count(), 0);
    QVERIFY(QMetaObject::invokeMethod(window, "slQuit", Qt::DirectConnection));
    QCOMPARE(quitSpy.count(), 1);
    // Nothing else answers to a player's name.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("No such method")));
    QVERIFY(!QMetaObject::invokeMethod(window, "slClose", Qt::DirectConnection));
}

void tst_PlayerPlugin::metaCallOpenWithNullResult()
{
    QObject *window = freshWindow();
    const int offset = window->metaObject()->methodOffset();
    QString path = QDir::tempPath() + QStringLiteral("/no-such-package.zip");
    void *args[] = {nullptr, &path};

    StdoutCapture console;
    const int direct = window->qt_metacall(QMetaObject::InvokeMetaMethod, offset + 1, args);
    const int viaMetaObject = QMetaObject::metacall(window, QMetaObject::InvokeMetaMethod, offset + 1, args);
    const QStringList lines = console.finish();

    QCOMPARE(direct, 1 - 6);
    QCOMPARE(viaMetaObject, 1 - 6);
    QCOMPARE(lines, QStringList({"ok5", "ok8", "ok5", "ok8"})); // the slot ran twice
}

void tst_PlayerPlugin::metaCallOpenStoresResult()
{
    QObject *window = freshWindow();
    const int offset = window->metaObject()->methodOffset();
    QString path = QDir::tempPath() + QStringLiteral("/no-such-package.zip");
    bool result = false;
    void *args[] = {&result, &path};

    StdoutCapture console;
    window->qt_metacall(QMetaObject::InvokeMetaMethod, offset + 1, args);
    console.finish();
    QVERIFY(result);
}

void tst_PlayerPlugin::metaCallControls()
{
    QObject *window = freshWindow();
    const PlayerWidgets w = PlayerWidgets::of(qobject_cast<QWidget *>(window));
    QVERIFY(w.complete());
    const int offset = window->metaObject()->methodOffset();
    const qreal size = w.browser->font().pointSizeF();
    QSignalSpy quitSpy(window, SIGNAL(sgQuit()));

    QCOMPARE(window->qt_metacall(QMetaObject::InvokeMetaMethod, offset + 2, nullptr), 2 - 6);
    QCOMPARE(w.browser->font().pointSizeF(), size + 1);
    QCOMPARE(window->qt_metacall(QMetaObject::InvokeMetaMethod, offset + 3, nullptr), 3 - 6);
    QCOMPARE(w.browser->font().pointSizeF(), size);

    w.browser->setPlainText(QStringLiteral("one two"));
    w.findEdit->setText(QStringLiteral("two"));
    QCOMPARE(window->qt_metacall(QMetaObject::InvokeMetaMethod, offset + 4, nullptr), 4 - 6);
    QCOMPARE(w.browser->textCursor().selectedText(), QStringLiteral("two"));

    QCOMPARE(window->qt_metacall(QMetaObject::InvokeMetaMethod, offset + 0, nullptr), 0 - 6);
    QCOMPARE(quitSpy.count(), 1);
    QCOMPARE(window->qt_metacall(QMetaObject::InvokeMetaMethod, offset + 5, nullptr), 5 - 6);
    QCOMPARE(quitSpy.count(), 2);
    QCOMPARE(QDir::currentPath(), QDir(QDir::tempPath()).absolutePath());
}

void tst_PlayerPlugin::metaCallPastOwnMethods_data()
{
    QTest::addColumn<int>("localId");
    QTest::newRow("6") << 6;
    QTest::newRow("7") << 7;
    QTest::newRow("100") << 100;
}

void tst_PlayerPlugin::metaCallPastOwnMethods()
{
    QFETCH(int, localId);
    QObject *window = freshWindow();
    const int offset = window->metaObject()->methodOffset();
    QSignalSpy quitSpy(window, SIGNAL(sgQuit()));

    StdoutCapture console;
    const int result = window->qt_metacall(QMetaObject::InvokeMetaMethod, offset + localId, nullptr);
    const QStringList lines = console.finish();
    QCOMPARE(result, localId - 6);
    QVERIFY(lines.isEmpty());
    QCOMPARE(quitSpy.count(), 0);
}

void tst_PlayerPlugin::metaCallOtherKindsPassThrough()
{
    QObject *window = freshWindow();
    const QMetaObject *meta = window->metaObject();

    // An id inside QWidget's own methods is handled there.
    const int update = meta->indexOfMethod("update()");
    QVERIFY(update >= 0 && update < meta->methodOffset());
    QVERIFY(window->qt_metacall(QMetaObject::InvokeMetaMethod, update, nullptr) < 0);

    // A property id past QWidget's properties comes back as it is: the
    // window has no properties of its own.
    int value = 0;
    void *args[] = {&value, nullptr, nullptr};
    QCOMPARE(window->qt_metacall(QMetaObject::ReadProperty, meta->propertyOffset() + 3, args), 3);
}

void tst_PlayerPlugin::constructorWritesTwoLines()
{
    delete m_window;
    StdoutCapture console;
    QObject *window = m_loader.instance();
    const QStringList lines = console.finish();
    m_window = window;
    QVERIFY(window);
    QCOMPARE(lines, QStringList({"ok3", "ok4"}));
}

void tst_PlayerPlugin::widgetTree()
{
    auto *window = qobject_cast<QWidget *>(freshWindow());
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QString());

    auto *outer = qobject_cast<QVBoxLayout *>(window->layout());
    QVERIFY(outer);
    QCOMPARE(outer->contentsMargins(), QMargins(0, 0, 0, 0));
    QCOMPARE(outer->count(), 2);
    QCOMPARE(outer->stretch(0), 0);
    QCOMPARE(outer->stretch(1), 0);

    const PlayerWidgets w = PlayerWidgets::of(window);
    QVERIFY(w.complete());
    QCOMPARE(w.browser->parentWidget(), window);
    QCOMPARE(w.toolBar->parentWidget(), window);
    QCOMPARE(w.toolBar->metaObject(), &QWidget::staticMetaObject);
    QVERIFY(w.browser->isReadOnly());
    QCOMPARE(w.browser->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    auto *row = qobject_cast<QHBoxLayout *>(w.toolBar->layout());
    QVERIFY(row);
    QCOMPARE(row->count(), 7);
    QSpacerItem *stretch = row->itemAt(4)->spacerItem();
    QVERIFY(stretch);
    QCOMPARE(row->stretch(4), 0);
    QVERIFY(stretch->expandingDirections() & Qt::Horizontal);
    for (int i = 0; i < row->count(); ++i)
        QCOMPARE(row->itemAt(i)->alignment(), Qt::Alignment());

    QCOMPARE(w.findLabel->text(), QStringLiteral("Find"));
    QCOMPARE(w.findEdit->text(), QString());
    const QStringList toolTips = {"Quit", "Find next", "Font Up", "Font Down"};
    const QList<QPushButton *> buttons = {w.backButton, w.findButton, w.fontUpButton, w.fontDownButton};
    for (int i = 0; i < buttons.size(); ++i) {
        QPushButton *button = buttons.at(i);
        QCOMPARE(button->parentWidget(), w.toolBar);
        QVERIFY(button->isFlat());
        QCOMPARE(button->maximumSize(), QSize(20, 20));
        QCOMPARE(button->text(), QString());
        QCOMPARE(button->toolTip(), toolTips.at(i));
        QVERIFY(button->shortcut().isEmpty());
    }
    QCOMPARE(w.findEdit->parentWidget(), w.toolBar);
    QCOMPARE(w.findLabel->parentWidget(), w.toolBar);
}

void tst_PlayerPlugin::geometry()
{
    auto *window = qobject_cast<QWidget *>(freshWindow());
    window->resize(640, 480);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const PlayerWidgets w = PlayerWidgets::of(window);

    // The pane fills the window from the top, the row runs below it.
    QCOMPARE(w.browser->geometry().topLeft(), QPoint(0, 0));
    QCOMPARE(w.browser->width(), window->width());
    QCOMPARE(w.toolBar->x(), 0);
    QCOMPARE(w.toolBar->width(), window->width());
    QVERIFY(w.toolBar->y() > w.browser->geometry().bottom());
    QCOMPARE(w.toolBar->geometry().bottom(), window->height() - 1);

    const QList<QWidget *> order = {w.backButton, w.findLabel, w.findEdit, w.findButton, w.fontUpButton,
                                    w.fontDownButton};
    for (int i = 1; i < order.size(); ++i)
        QVERIFY2(order.at(i)->x() > order.at(i - 1)->geometry().right(), qPrintable(QString::number(i)));
    for (QPushButton *button : {w.backButton, w.findButton, w.fontUpButton, w.fontDownButton}) {
        QVERIFY(button->width() <= 20);
        QVERIFY(button->height() <= 20);
    }
    // The stretch pushes the zoom buttons to the right edge.
    QVERIFY(w.fontUpButton->x() - w.findButton->geometry().right() > 100);
    QVERIFY(w.toolBar->width() - w.fontDownButton->geometry().right() < 20);
}

void tst_PlayerPlugin::buttonIcons_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QSize>("pictureSize");
    QTest::newRow("back") << 0 << QSize(40, 41);
    QTest::newRow("find") << 1 << QSize(40, 41);
    QTest::newRow("font up") << 2 << QSize(22, 22);
    QTest::newRow("font down") << 3 << QSize(22, 22);
}

void tst_PlayerPlugin::buttonIcons()
{
    QFETCH(int, button);
    QFETCH(QSize, pictureSize);
    const PlayerWidgets w = PlayerWidgets::of(qobject_cast<QWidget *>(freshWindow()));
    const QList<QPushButton *> buttons = {w.backButton, w.findButton, w.fontUpButton, w.fontDownButton};
    const QIcon icon = buttons.at(button)->icon();
    QVERIFY(!icon.isNull());
    QVERIFY(icon.availableSizes().contains(pictureSize));
}

void tst_PlayerPlugin::find()
{
    auto *window = qobject_cast<QWidget *>(freshWindow());
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window));
    const PlayerWidgets w = PlayerWidgets::of(window);
    auto *player = qobject_cast<IKelvanePlayer *>(window);

    w.browser->setHtml(QStringLiteral("<p>Heat flows. A second HEAT source.</p>"));
    w.findEdit->setText(QStringLiteral("heat"));
    w.findEdit->setFocus();

    player->slFind();
    QCOMPARE(w.browser->textCursor().selectedText(), QStringLiteral("Heat"));
    QCOMPARE(w.browser->textCursor().selectionStart(), 0);
    QVERIFY(w.browser->hasFocus());

    QTest::mouseClick(w.findButton, Qt::LeftButton);
    QCOMPARE(w.browser->textCursor().selectedText(), QStringLiteral("HEAT"));
    const int second = w.browser->textCursor().selectionStart();
    QVERIFY(second > 0);

    // At the end the search goes on from the top, and says so.
    QToolTip::hideText();
    player->slFind();
    QCOMPARE(w.browser->textCursor().selectedText(), QStringLiteral("Heat"));
    QCOMPARE(w.browser->textCursor().selectionStart(), 0);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QStringLiteral("Reached the end of the page; continued from the top"));
    QVERIFY(!w.findEdit->toolTip().contains(QStringLiteral("Not found")));

    // A text the page lacks keeps the selection and turns the field red.
    w.findEdit->setText(QStringLiteral("cold"));
    player->slFind();
    QCOMPARE(w.browser->textCursor().selectionStart(), 0);
    QCOMPARE(w.findEdit->toolTip(), QStringLiteral("Not found"));
}

void tst_PlayerPlugin::findEmptyTextOnlyMovesFocus()
{
    auto *window = qobject_cast<QWidget *>(freshWindow());
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window));
    const PlayerWidgets w = PlayerWidgets::of(window);
    w.browser->setPlainText(QStringLiteral("some text"));
    w.findEdit->setFocus();
    QVERIFY(w.findEdit->hasFocus());

    qobject_cast<IKelvanePlayer *>(window)->slFind();
    QVERIFY(!w.browser->textCursor().hasSelection());
    QVERIFY(w.browser->hasFocus());
}

void tst_PlayerPlugin::returnInSearchFieldFinds()
{
    auto *window = qobject_cast<QWidget *>(freshWindow());
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window));
    const PlayerWidgets w = PlayerWidgets::of(window);
    w.browser->setPlainText(QStringLiteral("find me, then me again"));
    w.findEdit->setFocus();
    QTest::keyClicks(w.findEdit, QStringLiteral("me"));
    QTest::keyClick(w.findEdit, Qt::Key_Return);
    QCOMPARE(w.browser->textCursor().selectedText(), QStringLiteral("me"));
    QCOMPARE(w.browser->textCursor().selectionStart(), 5);
    // As with the button, the pane has the focus afterwards.
    QVERIFY(w.browser->hasFocus());
    w.findEdit->setFocus();
    QTest::keyClick(w.findEdit, Qt::Key_Enter);
    QCOMPARE(w.browser->textCursor().selectionStart(), 14);
}

void tst_PlayerPlugin::notFoundSignUntilTextChanges()
{
    auto *window = qobject_cast<QWidget *>(freshWindow());
    window->resize(640, 200);
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window));
    const PlayerWidgets w = PlayerWidgets::of(window);
    w.browser->setPlainText(QStringLiteral("one heat, two heat"));
    const QColor pale(255, 170, 170);
    const auto paleShare = [&] {
        const QImage field = w.findEdit->grab().toImage();
        return countPixels(field, pale, 12) * 100 / (field.width() * field.height());
    };
    QCOMPARE(paleShare(), 0);

    w.findEdit->setText(QStringLiteral("heat"));
    QTest::mouseClick(w.findButton, Qt::LeftButton);
    QTest::mouseClick(w.findButton, Qt::LeftButton);
    QCOMPARE(paleShare(), 0); // two found
    QTest::mouseClick(w.findButton, Qt::LeftButton);
    QCOMPARE(paleShare(), 0); // the first again, from the top
    QCOMPARE(w.browser->textCursor().selectionStart(), 4);
    QTest::mouseClick(w.findButton, Qt::LeftButton);
    w.findEdit->setText(QStringLiteral("heats"));
    QTest::mouseClick(w.findButton, Qt::LeftButton);
    QVERIFY2(paleShare() > 50, qPrintable(QString::number(paleShare())));
    QCOMPARE(w.findEdit->toolTip(), QStringLiteral("Not found"));
    QCOMPARE(w.browser->textCursor().selectionStart(), 14); // the last one stays selected

    // It stays through further searches and goes with the next change.
    QTest::mouseClick(w.findButton, Qt::LeftButton);
    QVERIFY(paleShare() > 50);
    w.findEdit->setFocus();
    QTest::keyClick(w.findEdit, Qt::Key_Backspace);
    QCOMPARE(paleShare(), 0);
    QCOMPARE(w.findEdit->toolTip(), QString());

    // A text that is nowhere shows it at once; an empty field never does.
    w.findEdit->setText(QStringLiteral("cold"));
    QTest::keyClick(w.findEdit, Qt::Key_Return);
    QVERIFY(paleShare() > 50);
    w.findEdit->clear();
    qobject_cast<IKelvanePlayer *>(window)->slFind();
    QCOMPARE(paleShare(), 0);
}

void tst_PlayerPlugin::windowKeys_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<bool>("fromField"); // pressed in the find field, else in the pane
    QTest::addColumn<int>("zoomSteps");
    QTest::addColumn<QString>("expectation");

    QTest::newRow("Ctrl+F in the pane") << "Ctrl+F" << false << 0 << "field focused";
    QTest::newRow("F3 in the pane") << "F3" << false << 0 << "second found";
    QTest::newRow("F3 in the field") << "F3" << true << 0 << "second found";
    QTest::newRow("Ctrl++") << "Ctrl++" << false << 1 << "";
    QTest::newRow("Ctrl+=") << "Ctrl+=" << true << 1 << "";
    QTest::newRow("Ctrl+-") << "Ctrl+-" << false << -1 << "";
    QTest::newRow("Ctrl+- in the field") << "Ctrl+-" << true << -1 << "";
}

void tst_PlayerPlugin::windowKeys()
{
    QFETCH(QString, keys);
    QFETCH(bool, fromField);
    QFETCH(int, zoomSteps);
    QFETCH(QString, expectation);

    auto *window = qobject_cast<QWidget *>(freshWindow());
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window));
    const PlayerWidgets w = PlayerWidgets::of(window);
    w.browser->setPlainText(QStringLiteral("heat and more heat"));
    w.findEdit->setText(QStringLiteral("heat"));
    qobject_cast<IKelvanePlayer *>(window)->slFind(); // the first one, focus in the pane
    QCOMPARE(w.browser->textCursor().selectionStart(), 0);
    if (fromField)
        w.findEdit->setFocus();
    QWidget *target = fromField ? static_cast<QWidget *>(w.findEdit) : w.browser->viewport();
    const qreal size = w.browser->font().pointSizeF();

    const QKeySequence sequence(keys);
    const int combined = sequence[0];
    QTest::keyClick(target, Qt::Key(combined & ~int(Qt::KeyboardModifierMask)),
                    Qt::KeyboardModifiers(combined & int(Qt::KeyboardModifierMask)));

    QCOMPARE(w.browser->font().pointSizeF(), size + zoomSteps);
    if (expectation == QLatin1String("field focused")) {
        QVERIFY(w.findEdit->hasFocus());
        QCOMPARE(w.findEdit->selectedText(), QStringLiteral("heat"));
    } else if (expectation == QLatin1String("second found")) {
        QCOMPARE(w.browser->textCursor().selectionStart(), 14);
    } else {
        QCOMPARE(w.browser->textCursor().selectionStart(), 0);
    }
}

void tst_PlayerPlugin::zoom()
{
    QObject *window = freshWindow();
    const PlayerWidgets w = PlayerWidgets::of(qobject_cast<QWidget *>(window));
    auto *player = qobject_cast<IKelvanePlayer *>(window);
    const qreal size = w.browser->font().pointSizeF();
    QVERIFY(size > 2);

    player->slFontUp();
    QCOMPARE(w.browser->font().pointSizeF(), size + 1);
    player->slFontDown();
    player->slFontDown();
    QCOMPARE(w.browser->font().pointSizeF(), size - 1);

    // A zoom that would bring the size to zero is refused.
    for (int i = 0; i < 100; ++i)
        player->slFontDown();
    QVERIFY(w.browser->font().pointSizeF() > 0);
    QVERIFY(w.browser->font().pointSizeF() <= 1);
}

void tst_PlayerPlugin::zoomButtons()
{
    auto *window = qobject_cast<QWidget *>(freshWindow());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const PlayerWidgets w = PlayerWidgets::of(window);
    const qreal size = w.browser->font().pointSizeF();
    QTest::mouseClick(w.fontUpButton, Qt::LeftButton);
    QTest::mouseClick(w.fontUpButton, Qt::LeftButton);
    QCOMPARE(w.browser->font().pointSizeF(), size + 2);
    QTest::mouseClick(w.fontDownButton, Qt::LeftButton);
    QCOMPARE(w.browser->font().pointSizeF(), size + 1);
}

void tst_PlayerPlugin::backButtonEmitsQuitOnce()
{
    auto *window = qobject_cast<QWidget *>(freshWindow());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const PlayerWidgets w = PlayerWidgets::of(window);
    QSignalSpy quitSpy(window, SIGNAL(sgQuit()));
    w.browser->setHtml(QStringLiteral("<p>page</p>"));

    BoxRecorder boxes;
    QTest::mouseClick(w.backButton, Qt::LeftButton);
    QCOMPARE(quitSpy.count(), 1);
    QVERIFY(boxes.boxes().isEmpty());
    // Quitting leaves the window and its page alone.
    QVERIFY(window->isVisible());
    QCOMPARE(w.browser->toPlainText(), QStringLiteral("page"));
    QCOMPARE(QDir::currentPath(), QDir(QDir::tempPath()).absolutePath());
}

void tst_PlayerPlugin::resources_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("size");

    QTest::newRow("back") << QStringLiteral(":/kelvane_player_res/icon_back") << QByteArray("png") << QSize(40, 41);
    QTest::newRow("find, no slash") << QStringLiteral(":kelvane_player_res/icon_find") << QByteArray("png")
                                    << QSize(40, 41);
    QTest::newRow("find") << QStringLiteral(":/kelvane_player_res/icon_find") << QByteArray("png") << QSize(40, 41);
    QTest::newRow("font up") << QStringLiteral(":kelvane_player_res/icon_font_up") << QByteArray("jpeg")
                             << QSize(22, 22);
    QTest::newRow("font down") << QStringLiteral(":/kelvane_player_res/icon_font_down") << QByteArray("jpeg")
                               << QSize(22, 22);
}

void tst_PlayerPlugin::resources()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);

    QImageReader reader(path);
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), size);
    // The tile is green.
    const QColor centre = image.pixelColor(2, size.height() / 2);
    QVERIFY(centre.green() > centre.red() + 40 && centre.green() > centre.blue() + 40);

    const QResource resource(path);
    QVERIFY(resource.isValid());
    QCOMPARE(resource.compressionAlgorithm(), QResource::NoCompression);
}

void tst_PlayerPlugin::catalogue_data()
{
    QTest::addColumn<QByteArray>("context");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("expected");

    QTest::newRow("Find") << QByteArray("CMainWindow") << QByteArray("Find") << QStringLiteral("Поиск");
    QTest::newRow("Find next") << QByteArray("CMainWindow") << QByteArray("Find next") << QStringLiteral("Найти");
    QTest::newRow("Font Up") << QByteArray("CMainWindow") << QByteArray("Font Up")
                             << QStringLiteral("Увеличить шрифт");
    QTest::newRow("Font Down") << QByteArray("CMainWindow") << QByteArray("Font Down")
                               << QStringLiteral("Уменьшить шрифт");
    QTest::newRow("Quit") << QByteArray("CMainWindow") << QByteArray("Quit") << QStringLiteral("Вернуться");
    // The program's name stays as it is.
    QTest::newRow("box title") << QByteArray("CMainWindow") << QByteArray("kelvane_player")
                               << QStringLiteral("kelvane_player");
    QTest::newRow("box text") << QByteArray("CMainWindow") << QByteArray("OpenArchive failed")
                              << QStringLiteral("Не удалось открыть архив");
    QTest::newRow("UnZip") << QByteArray("UnZip") << QByteArray("Wrong password.")
                           << QStringLiteral("Неверный пароль.");
    QTest::newRow("Zip") << QByteArray("Zip") << QByteArray("File seek error.")
                         << QStringLiteral("Ошибка позиционирования в файле.");
    QTest::newRow("QObject") << QByteArray("QObject") << QByteArray("cannot create dir ")
                             << QStringLiteral("не удалось создать папку ");
    QTest::newRow("password dialog") << QByteArray("PasswordPrompt") << QByteArray("Cancel")
                                     << QStringLiteral("Отмена");
    QTest::newRow("not found") << QByteArray("PageFinder") << QByteArray("Not found")
                               << QStringLiteral("Не найдено");
}

void tst_PlayerPlugin::catalogue()
{
    QFETCH(QByteArray, context);
    QFETCH(QByteArray, source);
    QFETCH(QString, expected);

    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(":/kelvane_player_res/player.qm")));
    QCOMPARE(translator.language(), QStringLiteral("ru"));
    QVERIFY(QCoreApplication::installTranslator(&translator));
    const QString translated = QCoreApplication::translate(context.constData(), source.constData());
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(translated, expected);
}

void tst_PlayerPlugin::labelTranslated()
{
    {
        QTranslator translator;
        QVERIFY(translator.load(QStringLiteral(":/kelvane_player_res/player.qm")));
        QCoreApplication::installTranslator(&translator);
        const PlayerWidgets w = PlayerWidgets::of(qobject_cast<QWidget *>(freshWindow()));
        QCoreApplication::removeTranslator(&translator);
        QCOMPARE(w.findLabel->text(), QStringLiteral("Поиск"));
        QCOMPARE(w.fontUpButton->toolTip(), QStringLiteral("Увеличить шрифт"));

        // The texts of the boxes are translated when they are shown.
        QCoreApplication::installTranslator(&translator);
        BoxRecorder boxes;
        StdoutCapture console;
        const bool opened = qobject_cast<IKelvanePlayer *>(m_window.data())->slOpen(QDir::tempPath());
        console.finish();
        QCoreApplication::removeTranslator(&translator);
        QVERIFY(!opened);
        QCOMPARE(boxes.boxes().size(), 1);
        QCOMPARE(boxes.boxes().at(0).title, QStringLiteral("kelvane_player"));
        QCOMPARE(boxes.texts(), QStringList(QStringLiteral("%1 — папка, а не пакет лекции.").arg(QDir::tempPath())));
        delete m_window;
    }
    const PlayerWidgets w = PlayerWidgets::of(qobject_cast<QWidget *>(freshWindow()));
    QCOMPARE(w.findLabel->text(), QStringLiteral("Find"));
}

// Runs last: the resources live exactly as long as the library is loaded.
void tst_PlayerPlugin::unloadUnregistersResources()
{
    QVERIFY(QFile::exists(QStringLiteral(":/kelvane_player_res/icon_back")));
    QVERIFY(QFile::exists(QStringLiteral(":/kelvane_player_res/player.qm")));
    QPointer<QObject> window = freshWindow();
    QVERIFY(m_loader.unload());
    QVERIFY(window.isNull()); // the loader deletes the instance
    QVERIFY(!m_loader.isLoaded());
    QVERIFY(!QFile::exists(QStringLiteral(":/kelvane_player_res/icon_back")));
    QVERIFY(!QFile::exists(QStringLiteral(":kelvane_player_res/icon_find")));
    QVERIFY(!QFile::exists(QStringLiteral(":/kelvane_player_res/player.qm")));
    QVERIFY(QImage(QStringLiteral(":/kelvane_player_res/icon_back")).isNull());

    // Loading again registers them again.
    QVERIFY(m_loader.load());
    QVERIFY(QFile::exists(QStringLiteral(":/kelvane_player_res/icon_back")));
}

QTEST_MAIN(tst_PlayerPlugin)
#include "tst_playerplugin.moc"
