#include "Wisplet/Platform/QtPasteboard.h"

#include "Wisplet/Platform/ProcessName.h"
#include "Wisplet/Platform/SelectionHolder.h"
#include "Wisplet/Platform/XcbClientProcess.h"
#include "Wisplet/Platform/XcbSelectionReader.h"
#include "Wisplet/Platform/XcbSession.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>
#include <QtConcurrent>

#include <QCoro/QCoroFuture>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdlib>

QtPasteboard::QtPasteboard(QObject* parent)
    : Pasteboard(parent)
    , m_clipboard(QGuiApplication::clipboard())
    , m_onX11(QGuiApplication::platformName() == QLatin1String("xcb"))
{
    connect(m_clipboard, &QClipboard::changed, this, [this](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard)
            clipboardChanged();
    });
    if (m_onX11)
        watchOwnerChanges();
}

void QtPasteboard::watchOwnerChanges()
{
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection || xcb_connection_has_error(connection))
        return;
    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
    if (!xfixes || !xfixes->present)
        return;
    xcb_intern_atom_reply_t* clipboard =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, 9, "CLIPBOARD"), nullptr);
    if (!clipboard)
        return;
    m_clipboardAtom = clipboard->atom;
    std::free(clipboard);
    m_selectionNotify = quint8(xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

bool QtPasteboard::nativeEventFilter(const QByteArray& eventType, void* message, qintptr* /*result*/)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != m_selectionNotify)
        return false;
    const auto* notify = static_cast<const xcb_xfixes_selection_notify_event_t*>(message);
    // Seen before Qt, which reports the change once it has handled this notice.
    if (notify->selection == m_clipboardAtom)
        m_announced = OwnerChange{notify->timestamp, notify->owner};
    return false;
}

QtPasteboard::~QtPasteboard()
{
    // Whoever still waits for a read sees a new copy and asks nothing more.
    ++m_changeCount;
    m_reader.reset();
}

void QtPasteboard::clipboardChanged()
{
    // Our own write was counted when it was made.
    if (m_writing
        || (m_written && m_clipboard->ownsClipboard() && m_clipboard->mimeData(QClipboard::Clipboard) == m_written))
        return;
    m_written = nullptr;
    m_change = std::exchange(m_announced, std::nullopt);
    replaced();
    emit copied();
}

void QtPasteboard::replaced()
{
    // Counted first, so that a reader woken by the cancel knows its copy is gone.
    ++m_changeCount;
    if (m_reader)
        m_reader->cancelAll();
}

const QMimeData* QtPasteboard::qtReadable() const
{
    return !m_onX11 || m_clipboard->ownsClipboard() ? m_clipboard->mimeData(QClipboard::Clipboard) : nullptr;
}

XcbSelectionReader* QtPasteboard::selectionReader()
{
    if (!m_onX11 || m_clipboard->ownsClipboard())
        return nullptr;
    // Made on the first read, so that nothing runs for the selection while the clipboard tool is off.
    if (!m_readerChecked) {
        m_readerChecked = true;
        m_reader = XcbSelectionReader::forApplication();
    }
    return m_reader.get();
}

QCoro::Task<CopyMaker> QtPasteboard::maker()
{
    if (m_clipboard->ownsClipboard()) {
        const qint64 own = QCoreApplication::applicationPid();
        co_return CopyMaker::knownAs(own, ProcessName::namesOf(own));
    }
    XcbSelectionReader* reader = selectionReader();
    // Under XWayland every copy of a Wayland program is owned by XWayland itself.
    if (!reader || XcbSession::isWaylandSession())
        co_return CopyMaker();
    // The window the server named when the copy took the clipboard; a later owner made another copy.
    const std::optional<qint64> owner = reader->ownerProcess(m_change ? std::optional(m_change->owner) : std::nullopt);
    // Read at once: a few small files, and the process may rename itself or leave any moment.
    if (owner && SelectionHolder::isRunning(*owner))
        co_return CopyMaker::knownAs(*owner, ProcessName::namesOf(*owner));
    // A helper that forked has left, its child holding the clipboard; or the server cannot say whose it is.
    // The search reads much of /proc: a worker does it.
    const QFuture<CopyMaker> search =
        QtConcurrent::run(&SelectionHolder::find, QString::fromLocal8Bit(qgetenv("DISPLAY")),
                          XcbClientProcess::connectionsByProcess(reader->connection()), QStringLiteral("/proc"));
    co_return co_await search;
}

QCoro::Task<QStringList> QtPasteboard::readTypes()
{
    if (XcbSelectionReader* reader = selectionReader())
        co_return co_await reader->targets();
    const QMimeData* content = qtReadable();
    co_return content ? content->formats() : QStringList();
}

QCoro::Task<PasteboardData> QtPasteboard::readData(QString type, qint64 maxBytes)
{
    if (XcbSelectionReader* reader = selectionReader())
        co_return co_await reader->read(type, maxBytes);
    // Qt reads the whole copy before its size is known; only our own content and copies outside X11 come here.
    const QMimeData* content = qtReadable();
    const bool offered = content && content->hasFormat(type);
    const QByteArray bytes = offered ? content->data(type) : QByteArray();
    if (bytes.size() > maxBytes)
        co_return PasteboardData{{}, true, true};
    co_return PasteboardData{bytes, false, offered};
}

void QtPasteboard::write(const PasteboardContent& content)
{
    auto* mime = new QMimeData;
    if (!content.text.isEmpty())
        mime->setText(content.text);
    if (!content.dataType.isEmpty())
        mime->setData(content.dataType, content.data);
    if (!content.filePaths.isEmpty()) {
        QByteArray uriList;
        QByteArray gnomeList("copy");
        for (const QString& path : content.filePaths) {
            const QByteArray url = QUrl::fromLocalFile(path).toEncoded();
            uriList += url + "\r\n";
            gnomeList += '\n' + url;
        }
        mime->setData(QLatin1String(uriListType), uriList);
        mime->setData(QLatin1String(gnomeFilesType), gnomeList);
    }
    m_writing = true;
    m_clipboard->setMimeData(mime, QClipboard::Clipboard);
    m_writing = false;
    m_written = mime;
    m_change.reset();
    replaced();
}
