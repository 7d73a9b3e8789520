// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "pagenavigator.h"

#include "pagecomposer.h"
#include "pagedecoder.h"
#include "pagedocument.h"
#include "pagelimits.h"
#include "pagemarkup.h"
#include "startpage.h"
#include "textcontrast.h"
#include "unpackqueue.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QLoggingCategory>
#include <QtCore/QMimeDatabase>
#include <QtCore/QPointer>
#include <QtCore/QRegularExpression>
#include <QtCore/QUrlQuery>
#include <QtGui/QDesktopServices>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QTextBrowser>

namespace {

Q_LOGGING_CATEGORY(lcNavigation, "kelvane.player.navigation", QtInfoMsg)

// Pages and text files larger than this would keep the window busy for a
// long time; they are left to the desktop like any other document.
const qint64 largestPage = qint64(16) * 1024 * 1024;

// What the desktop may open for a lecture: media, documents and archives.
// Programs, scripts and launchers never: opening them would run them.
bool isDocumentType(const QMimeType &type)
{
    const QString name = type.name();
    for (const char *prefix : {"video/", "audio/", "image/", "application/vnd.oasis.opendocument.",
                               "application/vnd.openxmlformats-officedocument.", "application/vnd.ms-"}) {
        if (name.startsWith(QLatin1String(prefix)))
            return true;
    }
    static const QStringList documents = {
        QStringLiteral("application/pdf"), QStringLiteral("application/postscript"),
        QStringLiteral("application/rtf"), QStringLiteral("text/rtf"), QStringLiteral("application/msword"),
        QStringLiteral("application/vnd.visio"), QStringLiteral("application/x-shockwave-flash"),
        QStringLiteral("application/epub+zip"), QStringLiteral("image/vnd.djvu"),
        QStringLiteral("application/zip"), QStringLiteral("application/x-7z-compressed"),
        QStringLiteral("application/vnd.rar"), QStringLiteral("application/x-rar"),
        QStringLiteral("application/x-rar-compressed"), QStringLiteral("application/x-tar"),
        QStringLiteral("application/gzip"), QStringLiteral("application/x-bzip2"),
        QStringLiteral("application/x-xz"), QStringLiteral("text/plain"), QStringLiteral("text/html"),
        QStringLiteral("text/csv"), QStringLiteral("application/xhtml+xml")};
    return documents.contains(name);
}

QString pictureHtml(const QString &fileName)
{
    const QString reference = QString::fromLatin1(QUrl::toPercentEncoding(fileName));
    return QStringLiteral("<html><body><p align=\"center\"><img src=\"%1\"></p></body></html>")
        .arg(reference.toHtmlEscaped());
}

} // namespace

PageNavigator::PageNavigator(QTextBrowser *browser, QObject *parent)
    : QObject(parent)
    , m_browser(browser)
{
    // Links are followed here, never by the pane itself: it would read any
    // file, decode pages by its own rule and leave the package.
    m_browser->setOpenLinks(false);
    m_browser->setOpenExternalLinks(false);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &PageNavigator::followLink);
}

bool PageNavigator::start(const QString &root, const QString &page)
{
    m_resolver = ReferenceResolver(root);
    m_history.clear();
    m_contents.reset();
    m_startPage = page;
    NavigationHistory::Location first;
    first.path = page;
    const bool shown = show(first);
    if (shown)
        m_history.visit(first);
    emit locationChanged();
    return shown;
}

bool PageNavigator::goBack()
{
    if (!m_history.canGoBack())
        return false;
    const NavigationHistory::Location leaving = m_history.current();
    m_history.setCurrentScrollPosition(scrollPosition());
    const NavigationHistory::Location previous = m_history.goBack();
    if (!previous.sameView(leaving))
        show(previous);
    // Back where the reader was, which an anchor need not tell exactly.
    m_browser->verticalScrollBar()->setValue(previous.scrollPosition);
    emit locationChanged();
    return true;
}

bool PageNavigator::goForward()
{
    if (!m_history.canGoForward())
        return false;
    const NavigationHistory::Location leaving = m_history.current();
    m_history.setCurrentScrollPosition(scrollPosition());
    const NavigationHistory::Location next = m_history.goForward();
    if (!next.sameView(leaving))
        show(next);
    // Where the reader was when going back from there.
    m_browser->verticalScrollBar()->setValue(next.scrollPosition);
    emit locationChanged();
    return true;
}

bool PageNavigator::goHome()
{
    return !m_startPage.isEmpty() && openPage(m_startPage);
}

bool PageNavigator::openPage(const QString &path, int scrollPosition, const QString &fragment)
{
    if (!bringIn(path) || m_history.isEmpty() || !m_resolver.contains(path) || !QFileInfo(path).isFile())
        return false;
    NavigationHistory::Location next;
    next.path = path;
    next.fragment = fragment;
    next.scrollPosition = scrollPosition;
    if (next.sameView(m_history.current()) && fragment.isEmpty()
        && scrollPosition == m_browser->verticalScrollBar()->value())
        return true; // already there: not a step of its own
    return go(next);
}

int PageNavigator::scrollPosition() const
{
    return m_browser->verticalScrollBar()->value();
}

const LectureContents &PageNavigator::contents() const
{
    if (!m_contents)
        m_contents.reset(new LectureContents(LectureContents::build(m_resolver, m_startPage)));
    return *m_contents;
}

const LectureContents &PageNavigator::searchableContents() const
{
    contents();
    m_contents->loadTexts();
    return *m_contents;
}

QString PageNavigator::packagePath(const QString &absolutePath) const
{
    return QDir(root()).relativeFilePath(absolutePath);
}

QString PageNavigator::absolutePath(const QString &packagePath) const
{
    if (root().isEmpty() || QDir::isAbsolutePath(packagePath))
        return QString();
    const QString path = QDir::cleanPath(QDir(root()).filePath(packagePath));
    return m_resolver.contains(path) ? path : QString();
}

void PageNavigator::followScriptLink(const QUrl &link)
{
    // Scripts are not run; printing, the one thing such links of lectures
    // commonly do, is done by the pane itself.
    static const QRegularExpression printing(
        QStringLiteral("^\\s*(?:(?:window|self|top|parent)\\.)?print\\s*\\(\\s*\\)\\s*;?\\s*(?:return\\s+false\\s*;?\\s*)?$"));
    const QString code = QUrl::fromPercentEncoding(link.toEncoded()).section(QLatin1Char(':'), 1);
    if (printing.match(code).hasMatch()) {
        emit printRequested();
        return;
    }
    qCInfo(lcNavigation) << "a script link is not run:" << code.left(80);
}

void PageNavigator::followLink(const QUrl &link)
{
    if (link.scheme().compare(QLatin1String("javascript"), Qt::CaseInsensitive) == 0) {
        followScriptLink(link);
        return;
    }
    // Links of a page of frames name the frame they load into.
    QUrl reference = link;
    QUrlQuery query(link);
    const QString frame = query.queryItemValue(PageMarkup::frameQueryItem(), QUrl::FullyDecoded);
    if (query.hasQueryItem(PageMarkup::frameQueryItem())) {
        query.removeAllQueryItems(PageMarkup::frameQueryItem());
        reference.setQuery(query.isEmpty() ? QString() : query.query());
    }
    const QString pageFolder = QFileInfo(currentPage()).absolutePath();
    ReferenceResolver::Target target = m_resolver.resolve(reference, pageFolder);
    if (target.kind == ReferenceResolver::Target::Missing || target.kind == ReferenceResolver::Target::InPackage) {
        if (!bringIn(target.path))
            return;
        target = m_resolver.resolve(reference, pageFolder);
    }
    // The link as the page has it, escapes undone, for the messages.
    const QString written = QUrl::fromPercentEncoding(reference.toEncoded());

    NavigationHistory::Location next = m_history.current();
    switch (target.kind) {
    case ReferenceResolver::Target::SamePage:
        if (!target.fragment.isEmpty()) {
            next.fragment = target.fragment;
            go(next);
        }
        return;
    case ReferenceResolver::Target::External:
        qCDebug(lcNavigation) << "opening on the desktop:" << target.url;
        if (!QDesktopServices::openUrl(target.url))
            emit warning(tr("No program is set up to open \"%1\".").arg(written));
        return;
    case ReferenceResolver::Target::Outside:
        emit warning(tr("The link \"%1\" leads outside the lecture and is not followed.").arg(written));
        return;
    case ReferenceResolver::Target::Missing:
        emit warning(tr("The lecture has no file \"%1\".").arg(written));
        return;
    case ReferenceResolver::Target::InPackage:
        followInPackage(target, frame, written);
        return;
    }
}

void PageNavigator::followInPackage(const ReferenceResolver::Target &target, const QString &frame,
                                    const QString &written)
{
    NavigationHistory::Location next = m_history.current();
    next.fragment = target.fragment;
    next.path = target.path;
    if (QFileInfo(target.path).isDir()) {
        // A link to a folder means its index page, as on a web server.
        next.path = StartPage::indexIn(target.path);
        if (next.path.isEmpty()) {
            emit warning(tr("The lecture has no file \"%1\".").arg(written));
            return;
        }
    }

    const bool paneShowsIt = ReferenceResolver::contentKind(next.path) != ReferenceResolver::OtherContent
        && QFileInfo(next.path).size() <= largestPage;
    if (!paneShowsIt) {
        openOnDesktop(next.path, written);
        return;
    }
    if (m_frameNames.contains(frame)) {
        // Only that frame changes; the others keep their pages.
        next.frames.insert(frame, next.path);
        next.path = currentPage();
    } else {
        next.frames.clear();
    }
    go(next);
}

bool PageNavigator::go(const NavigationHistory::Location &next)
{
    const bool samePage = next.sameView(m_history.current());
    m_history.setCurrentScrollPosition(m_browser->verticalScrollBar()->value());
    if (!samePage && !show(next))
        return false;
    NavigationHistory::Location visited = next;
    visited.scrollPosition = 0;
    m_history.visit(visited);
    scrollTo(next);
    emit locationChanged();
    return true;
}

bool PageNavigator::openOnDesktop(const QString &path, const QString &reference)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    if (!isDocumentType(type)) {
        emit warning(tr("\"%1\" is not a document and is not opened from a lecture.").arg(reference));
        return false;
    }
    qCDebug(lcNavigation) << "opening on the desktop:" << path << type.name();
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        return true;
    emit warning(tr("No program is set up to open \"%1\".").arg(reference));
    return false;
}

bool PageNavigator::show(const NavigationHistory::Location &location)
{
    QStringList frameNames;
    QString refusal;
    QTextDocument *document = composeDocument(location, m_browser, &frameNames, &refusal);
    if (!document) {
        emit warning(tr("The file \"%1\" cannot be read.").arg(QFileInfo(location.path).fileName()));
        return false;
    }
    m_frameNames = frameNames;
    // The pane deletes only the document it made itself; a page shown
    // before goes once the event that led here (a click on one of its
    // links) is over.
    const QPointer<PageDocument> previous = qobject_cast<PageDocument *>(m_browser->document());
    m_browser->setDocument(document);
    if (previous)
        previous->deleteLater();
    if (!refusal.isEmpty())
        emit pageRefused(refusal, location.path);
    return true;
}

QTextDocument *PageNavigator::pageDocument(const QString &path, QObject *parent) const
{
    if (!bringIn(path))
        return nullptr;
    if (!m_resolver.contains(path))
        return nullptr;
    NavigationHistory::Location location;
    location.path = path;
    QStringList frameNames;
    QString refusal;
    return composeDocument(location, parent, &frameNames, &refusal);
}

QTextDocument *PageNavigator::composeDocument(const NavigationHistory::Location &location, QObject *parent,
                                              QStringList *frameNames, QString *refusal) const
{
    const ReferenceResolver::ContentKind kind = ReferenceResolver::contentKind(location.path);
    // A page too big for the pane is not even read.
    *refusal = kind == ReferenceResolver::Picture ? QString() : PageLimits::sizeProblem(QFileInfo(location.path).size());
    QFile file(location.path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    const QByteArray bytes = kind == ReferenceResolver::Picture || !refusal->isEmpty() ? QByteArray() : file.readAll();
    file.close();

    // A document per page: pictures are looked up from the page's own
    // folder, and the same name on another page is another picture.
    auto *document = new PageDocument(&m_resolver, QFileInfo(location.path).absolutePath(), parent);
    document->setDefaultFont(m_browser->font());
    frameNames->clear();
    switch (refusal->isEmpty() ? kind : ReferenceResolver::OtherContent) {
    case ReferenceResolver::Page: {
        const PageComposer::Result page = PageComposer::compose(
            PageDecoder::decodePage(bytes), QFileInfo(location.path).absolutePath(), m_resolver, location.frames);
        *frameNames = page.frameNames;
        *refusal = PageLimits::nestingProblem(PageLimits::nesting(page.html));
        document->setHtml(refusal->isEmpty() ? page.html : PageLimits::placeholderHtml(*refusal));
        TextContrast::ensureReadable(document, m_browser->palette().color(QPalette::Base));
        break;
    }
    case ReferenceResolver::OtherContent:
        document->setHtml(PageLimits::placeholderHtml(*refusal));
        break;
    case ReferenceResolver::PlainText:
        document->setPlainText(PageDecoder::decodeText(bytes));
        break;
    default:
        document->setHtml(pictureHtml(QFileInfo(location.path).fileName()));
        break;
    }
    return document;
}

void PageNavigator::scrollTo(const NavigationHistory::Location &location)
{
    if (!location.fragment.isEmpty())
        m_browser->scrollToAnchor(location.fragment);
    else
        m_browser->verticalScrollBar()->setValue(location.scrollPosition);
}

void PageNavigator::setQueue(UnpackQueue *queue)
{
    m_queue = queue;
    connect(queue, &UnpackQueue::entriesLanded, this, &PageNavigator::filesLanded);
    connect(queue, &UnpackQueue::finished, this, &PageNavigator::queueEnded);
    connect(queue, &UnpackQueue::stopped, this, &PageNavigator::queueEnded);
}

bool PageNavigator::waitForLecture()
{
    return !m_queue || m_queue->waitForEnd();
}

bool PageNavigator::bringIn(const QString &path) const
{
    if (!m_queue || !m_queue->isRunning())
        return true;
    // One wait at a time: what the reader asks for meanwhile is not done.
    if (m_waiting)
        return false;
    m_waiting = true;
    const bool present = m_queue->bringIn(path);
    m_waiting = false;
    m_resolver.forgetListings();
    return present;
}

void PageNavigator::filesLanded()
{
    m_resolver.forgetListings();
    const auto *document = qobject_cast<PageDocument *>(m_browser->document());
    if (m_history.isEmpty() || !document || !document->missingPictureChanged())
        return;
    // Shown again with the pictures that have come, where it was.
    const int position = scrollPosition();
    if (show(m_history.current()))
        m_browser->verticalScrollBar()->setValue(position);
}

void PageNavigator::queueEnded()
{
    filesLanded();
    m_contents.reset();
    emit contentsChanged();
}
