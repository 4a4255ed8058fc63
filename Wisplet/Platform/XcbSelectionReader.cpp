#include "Wisplet/Platform/XcbSelectionReader.h"

#include "Wisplet/Platform/XcbClientProcess.h"

#include <QGuiApplication>
#include <QSet>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {

template <typename T>
struct FreeReply
{
    void operator()(T* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply<T>>;

constexpr qint64 maxTargetsBytes = XcbSelectionReader::maxTargets * 4;
// The names kept from one copy to the next: those a real program's list holds, and then some.
constexpr qsizetype maxKeptNames = 1024;

} // namespace

XcbSelectionReader::XcbSelectionReader(xcb_connection_t* connection, quint32 root, QObject* parent)
    : QObject(parent)
    , m_connection(connection)
    , m_root(root)
    , m_clipboard(atom(QStringLiteral("CLIPBOARD"), false))
    , m_targets(atom(QStringLiteral("TARGETS"), false))
    , m_incr(atom(QStringLiteral("INCR"), false))
    , m_property(atom(QStringLiteral("WISPLET_SELECTION"), false))
{
    m_silence.setSingleShot(true);
    m_silence.setInterval(silenceMs);
    m_silence.setTimerType(Qt::CoarseTimer);
    connect(&m_silence, &QTimer::timeout, this, [this] {
        if (!m_queue.empty())
            finish({}, true);
    });
    makeWindow();
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installNativeEventFilter(this);
}

XcbSelectionReader::~XcbSelectionReader()
{
    m_closing = true;
    cancelAll();
    xcb_destroy_window(m_connection, m_window);
    xcb_flush(m_connection);
}

std::unique_ptr<XcbSelectionReader> XcbSelectionReader::forApplication()
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection || xcb_connection_has_error(connection))
        return nullptr;
    // The window only receives the answers: any screen's root will do as its parent.
    return std::make_unique<XcbSelectionReader>(connection,
                                                xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root);
}

quint32 XcbSelectionReader::selectionOwner() const
{
    const Reply<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, m_clipboard), nullptr));
    return reply ? reply->owner : quint32(XCB_NONE);
}

std::optional<qint64> XcbSelectionReader::ownerProcess(std::optional<quint32> owner)
{
    m_owner = owner.value_or(selectionOwner());
    return *m_owner == XCB_NONE ? std::nullopt : XcbClientProcess::ofWindow(m_connection, *m_owner);
}

void XcbSelectionReader::makeWindow()
{
    if (m_window != 0)
        xcb_destroy_window(m_connection, m_window);
    m_window = xcb_generate_id(m_connection);
    const quint32 values[] = {1, XCB_EVENT_MASK_PROPERTY_CHANGE};
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, m_root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    xcb_flush(m_connection);
}

quint32 XcbSelectionReader::atom(const QString& name, bool onlyIfExists) const
{
    const QByteArray latin = name.toLatin1();
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, onlyIfExists, quint16(latin.size()), latin.constData()), nullptr));
    return reply ? reply->atom : quint32(XCB_ATOM_NONE);
}

QStringList XcbSelectionReader::atomNames(const QList<quint32>& atoms)
{
    // Asked for all at once, each once; the ones seen before are kept.
    if (m_names.size() > maxKeptNames)
        m_names.clear();
    QList<std::pair<quint32, xcb_get_atom_name_cookie_t>> asked;
    QSet<quint32> asking;
    for (const quint32 atom : atoms) {
        if (!m_names.contains(atom) && !asking.contains(atom)) {
            asking.insert(atom);
            asked.append({atom, xcb_get_atom_name(m_connection, atom)});
        }
    }
    for (const auto& [atom, cookie] : std::as_const(asked)) {
        const Reply<xcb_get_atom_name_reply_t> reply(xcb_get_atom_name_reply(m_connection, cookie, nullptr));
        if (reply)
            m_names.insert(
                atom,
                QString::fromLatin1(xcb_get_atom_name_name(reply.get()), xcb_get_atom_name_name_length(reply.get())));
    }
    QStringList names;
    for (const quint32 atom : atoms) {
        if (m_names.contains(atom))
            names.append(m_names.value(atom));
    }
    return names;
}

QCoro::Task<QStringList> XcbSelectionReader::targets()
{
    const PasteboardData list = co_await transfer(m_targets, maxTargetsBytes);
    QList<quint32> atoms;
    for (qsizetype offset = 0; offset + 4 <= list.bytes.size() && atoms.size() < maxTargets; offset += 4) {
        quint32 atom = 0;
        std::memcpy(&atom, list.bytes.constData() + offset, 4);
        atoms.append(atom);
    }
    // The reader may be gone by now: a read that was ended by it is empty, and asks nothing more.
    co_return atoms.isEmpty() ? QStringList() : atomNames(atoms);
}

QCoro::Task<PasteboardData> XcbSelectionReader::read(QString target, qint64 maxBytes)
{
    const quint32 targetAtom = m_closing ? quint32(XCB_ATOM_NONE) : atom(target, true);
    if (targetAtom == XCB_ATOM_NONE)
        co_return PasteboardData();
    co_return co_await transfer(targetAtom, maxBytes);
}

QCoro::Task<PasteboardData> XcbSelectionReader::transfer(quint32 target, qint64 maxBytes)
{
    if (m_closing)
        co_return PasteboardData();
    auto transfer = std::make_shared<Transfer>();
    transfer->target = target;
    transfer->maxBytes = maxBytes;
    m_queue.push_back(transfer);
    if (m_queue.size() == 1)
        begin();
    co_return co_await Awaiter{transfer.get()};
}

void XcbSelectionReader::begin()
{
    const quint32 owner = selectionOwner();
    if (!m_owner)
        m_owner = owner;
    // Another program has the clipboard now: it is asked nothing for a copy that is not its own.
    if (owner == XCB_NONE || owner != *m_owner)
        return endAll();
    xcb_delete_property(m_connection, m_window, m_property);
    xcb_convert_selection(m_connection, m_window, m_clipboard, m_queue.front()->target, m_property, XCB_CURRENT_TIME);
    xcb_flush(m_connection);
    m_silence.start();
}

bool XcbSelectionReader::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (m_queue.empty() || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const Transfer& current = *m_queue.front();
    switch (event->response_type & 0x7f) {
    case XCB_SELECTION_NOTIFY: {
        const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event);
        if (notify->requestor != m_window || notify->target != current.target || current.incremental)
            return false;
        converted(notify->property);
        return true;
    }
    case XCB_PROPERTY_NOTIFY: {
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (notify->window != m_window || notify->atom != m_property || notify->state != XCB_PROPERTY_NEW_VALUE
            || !current.incremental)
            return false;
        pieceArrived();
        return true;
    }
    default:
        return false;
    }
}

std::optional<XcbSelectionReader::PropertyInfo> XcbSelectionReader::propertyInfo() const
{
    // One 32-bit unit is read: an INCR property holds the announced size there.
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, false, m_window, m_property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1),
        nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE)
        return std::nullopt;
    const int length = xcb_get_property_value_length(reply.get());
    PropertyInfo info{reply->type, length + qint64(reply->bytes_after)};
    if (reply->type == m_incr && length >= 4) {
        quint32 announced = 0;
        std::memcpy(&announced, xcb_get_property_value(reply.get()), 4);
        info.bytes = announced;
    }
    return info;
}

void XcbSelectionReader::takeProperty(qint64 bytes, QByteArray& into) const
{
    const Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(m_connection,
                               xcb_get_property(m_connection, true, m_window, m_property, XCB_GET_PROPERTY_TYPE_ANY, 0,
                                                quint32((bytes + 3) / 4)),
                               nullptr));
    if (reply)
        into.append(static_cast<const char*>(xcb_get_property_value(reply.get())),
                    xcb_get_property_value_length(reply.get()));
}

void XcbSelectionReader::converted(quint32 property)
{
    // The owner refused the target.
    if (property == XCB_ATOM_NONE)
        return finish({}, false);
    const std::optional<PropertyInfo> info = propertyInfo();
    if (!info)
        return finish({}, true);
    Transfer& current = *m_queue.front();
    if (info->bytes > current.maxBytes) {
        // An INCR announcement is left alone: deleting it would ask for the first piece.
        const bool incremental = info->type == m_incr;
        if (!incremental)
            xcb_delete_property(m_connection, m_window, m_property);
        return finish({{}, true, true}, incremental);
    }
    if (info->type == m_incr) {
        // Deleting the announcement asks for the first piece.
        current.incremental = true;
        xcb_delete_property(m_connection, m_window, m_property);
        xcb_flush(m_connection);
        m_silence.start();
        return;
    }
    QByteArray bytes;
    takeProperty(info->bytes, bytes);
    finish({bytes, false, true}, false);
}

void XcbSelectionReader::pieceArrived()
{
    Transfer& current = *m_queue.front();
    const std::optional<PropertyInfo> info = propertyInfo();
    if (!info)
        return finish({}, true);
    // An empty piece ends the transfer.
    if (info->bytes == 0) {
        xcb_delete_property(m_connection, m_window, m_property);
        xcb_flush(m_connection);
        return finish({current.result.bytes, false, true}, false);
    }
    // The announced size is only a lower bound: the pieces are counted as they come.
    if (current.result.bytes.size() + info->bytes > current.maxBytes)
        return finish({{}, true, true}, true);
    takeProperty(info->bytes, current.result.bytes);
    xcb_flush(m_connection);
    m_silence.start();
}

void XcbSelectionReader::finish(PasteboardData result, bool abandon)
{
    m_silence.stop();
    const std::shared_ptr<Transfer> done = m_queue.front();
    m_queue.pop_front();
    if (abandon)
        makeWindow();
    done->result = std::move(result);
    if (!m_queue.empty())
        begin();
    // Last: the reader may be asked for more, or be gone, once the waiter goes on.
    resume(done);
}

void XcbSelectionReader::cancelAll()
{
    m_owner.reset();
    endAll();
}

void XcbSelectionReader::endAll()
{
    if (m_queue.empty())
        return;
    m_silence.stop();
    const std::deque<std::shared_ptr<Transfer>> ended = std::exchange(m_queue, {});
    if (!m_closing)
        makeWindow();
    for (const std::shared_ptr<Transfer>& transfer : ended) {
        transfer->result = {};
        resume(transfer);
    }
}

void XcbSelectionReader::resume(const std::shared_ptr<Transfer>& transfer)
{
    transfer->done = true;
    if (const std::coroutine_handle<> waiter = std::exchange(transfer->waiter, {}))
        waiter.resume();
}
