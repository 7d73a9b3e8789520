// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "playertestsupport.h"

#include "filetree.h"

#include <ikelvaneplayer.h>

#include <QtCore/QBuffer>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QPluginLoader>
#include <QtCore/QTemporaryDir>
#include <QtCore/QTemporaryFile>
#include <QTextCodec>
#include <QtCore/QTimer>
#include <QtGui/QDesktopServices>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QInputDialog>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLayout>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTextBrowser>

#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace {
StdoutCapture *activeCapture = nullptr;
}

void StdoutCapture::messageHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (activeCapture && type == QtDebugMsg)
        activeCapture->m_debugLines.append(message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

StdoutCapture::StdoutCapture()
{
    activeCapture = this;
    m_previousHandler = qInstallMessageHandler(messageHandler);
    std::fflush(stdout);
    char name[] = "/tmp/kelvane-stdout-XXXXXX";
    m_fileFd = ::mkstemp(name);
    if (m_fileFd < 0)
        return;
    ::unlink(name);
    m_savedFd = ::dup(STDOUT_FILENO);
    ::dup2(m_fileFd, STDOUT_FILENO);
}

StdoutCapture::~StdoutCapture()
{
    finish();
}

QStringList StdoutCapture::finish()
{
    if (activeCapture == this) {
        qInstallMessageHandler(m_previousHandler);
        activeCapture = nullptr;
    }
    if (m_savedFd < 0)
        return m_lines;
    std::fflush(stdout);
    ::dup2(m_savedFd, STDOUT_FILENO);
    ::close(m_savedFd);
    m_savedFd = -1;

    QByteArray written;
    ::lseek(m_fileFd, 0, SEEK_SET);
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(m_fileFd, buffer, sizeof buffer)) > 0)
        written.append(buffer, int(got));
    ::close(m_fileFd);
    m_fileFd = -1;

    for (const QByteArray &line : written.split('\n'))
        m_lines.append(QString::fromLocal8Bit(line));
    if (!m_lines.isEmpty() && m_lines.constLast().isEmpty())
        m_lines.removeLast();
    return m_lines;
}

BoxRecorder::BoxRecorder()
    : m_timer(new QTimer(this))
{
    connect(m_timer, &QTimer::timeout, this, &BoxRecorder::poll);
    m_timer->start(10);
}

BoxRecorder::~BoxRecorder() = default;

QStringList BoxRecorder::texts() const
{
    QStringList list;
    for (const Box &box : m_boxes)
        list.append(box.text);
    return list;
}

void BoxRecorder::poll()
{
    if (auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget())) {
        if (!dialog->isVisible())
            return;
        m_prompts.append(dialog->labelText());
        m_events.append(QStringLiteral("password: ") + dialog->labelText());
        const QString answer = m_passwords.isEmpty() ? QString() : m_passwords.takeFirst();
        if (answer.isNull()) {
            dialog->reject();
        } else {
            dialog->setTextValue(answer);
            dialog->accept();
        }
        return;
    }
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    Box record;
    record.title = box->windowTitle();
    record.text = box->text();
    record.icon = box->icon();
    record.buttons = box->standardButtons();
    m_boxes.append(record);
    m_events.append(record.text);
    if (QAbstractButton *ok = box->button(QMessageBox::Ok))
        ok->click();
    else
        box->done(0);
}

PlayerWidgets PlayerWidgets::of(QWidget *window)
{
    PlayerWidgets w;
    QLayout *outer = window ? window->layout() : nullptr;
    if (!outer || outer->count() != 2)
        return w;
    w.browser = qobject_cast<QTextBrowser *>(outer->itemAt(0)->widget());
    w.toolBar = outer->itemAt(1)->widget();
    QLayout *row = w.toolBar ? w.toolBar->layout() : nullptr;
    if (!row || row->count() != 7)
        return w;
    w.backButton = qobject_cast<QPushButton *>(row->itemAt(0)->widget());
    w.findLabel = qobject_cast<QLabel *>(row->itemAt(1)->widget());
    w.findEdit = qobject_cast<QLineEdit *>(row->itemAt(2)->widget());
    w.findButton = qobject_cast<QPushButton *>(row->itemAt(3)->widget());
    w.fontUpButton = qobject_cast<QPushButton *>(row->itemAt(5)->widget());
    w.fontDownButton = qobject_cast<QPushButton *>(row->itemAt(6)->widget());
    return w;
}

bool PlayerWidgets::complete() const
{
    return browser && toolBar && backButton && findLabel && findEdit && findButton && fontUpButton
        && fontDownButton;
}

PlayerHarness::PlayerHarness(const QString &pluginPath)
    : m_loader(new QPluginLoader(pluginPath))
{
}

PlayerHarness::~PlayerHarness()
{
    delete m_window;
    QDir::setCurrent(QDir::tempPath());
    const QString folder = workingFolder();
    if (QFileInfo(folder).isSymLink() || QFileInfo(folder).isFile())
        QFile::remove(folder);
    else
        QDir(folder).removeRecursively();
}

bool PlayerHarness::start()
{
    if (!QDir().mkpath(QDir::tempPath()) || !m_loader->load())
        return false;
    m_scratch.reset(new QTemporaryDir(QDir::tempPath() + QStringLiteral("/scratch-XXXXXX")));
    StdoutCapture console;
    m_window = m_loader->instance();
    console.finish();
    m_player = qobject_cast<IKelvanePlayer *>(m_window.data());
    m_widgets = PlayerWidgets::of(window());
    return m_scratch->isValid() && m_player && m_widgets.complete();
}

QWidget *PlayerHarness::window() const
{
    return qobject_cast<QWidget *>(m_window.data());
}

QString PlayerHarness::scratchPath(const QString &name) const
{
    return m_scratch->filePath(name);
}

QString PlayerHarness::savePackage(const QString &fileName, const QByteArray &bytes) const
{
    const QString path = scratchPath(fileName);
    return writeFile(path, bytes) ? path : QString();
}

PlayerHarness::Opening PlayerHarness::open(const QString &path, const QStringList &passwords)
{
    Opening opening;
    BoxRecorder recorder;
    recorder.answerPasswords(passwords);
    StdoutCapture console;
    opening.result = m_player->slOpen(path);
    opening.lines = console.finish();
    opening.boxes = recorder.texts();
    opening.passwordPrompts = recorder.passwordPrompts();
    return opening;
}

QImage PlayerHarness::renderedPage(const QSize &size)
{
    QWidget *w = window();
    w->resize(size);
    w->show();
    if (!QTest::qWaitForWindowExposed(w))
        return QImage();
    return m_widgets.browser->viewport()->grab().toImage();
}

QString workingFolder()
{
    return QDir::tempPath() + QStringLiteral("/texttemp");
}

bool writeFile(const QString &path, const QByteArray &content)
{
    return FileTree::write(path, content);
}

QByteArray solidPng(const QSize &size, const QColor &colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

int countPixels(const QImage &image, const QColor &colour, int tolerance)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            if (std::abs(qRed(line[x]) - colour.red()) <= tolerance
                && std::abs(qGreen(line[x]) - colour.green()) <= tolerance
                && std::abs(qBlue(line[x]) - colour.blue()) <= tolerance)
                ++count;
        }
    }
    return count;
}

QByteArray cp1251Page(const QString &body, const QByteArray &declaredCharset)
{
    const QString meta = declaredCharset.isEmpty()
        ? QString()
        : QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=%1\">")
              .arg(QString::fromLatin1(declaredCharset));
    const QString html = QStringLiteral("<html><head>%1</head><body>%2</body></html>").arg(meta, body);
    return QTextCodec::codecForName("Windows-1251")->fromUnicode(html);
}

DesktopCatcher::DesktopCatcher(const QStringList &schemes)
    : m_schemes(schemes)
{
    for (const QString &scheme : m_schemes)
        QDesktopServices::setUrlHandler(scheme, this, "open");
}

DesktopCatcher::~DesktopCatcher()
{
    for (const QString &scheme : m_schemes)
        QDesktopServices::unsetUrlHandler(scheme);
}

bool clickLink(QTextBrowser *browser, const QString &linkText)
{
    const QTextCursor found = browser->document()->find(linkText);
    if (found.isNull())
        return false;
    // Into view first, then a click in the middle of the text.
    browser->setTextCursor(found);
    browser->ensureCursorVisible();
    QTextCursor middle = found;
    middle.setPosition((found.selectionStart() + found.selectionEnd()) / 2);
    const QPoint point = browser->cursorRect(middle).center();
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, Qt::NoModifier, point);
    return true;
}
