#include "Wisplet/Platform/EwmhWindows.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

struct FreeReply
{
    void operator()(void* reply) const { std::free(reply); }
};
template <typename Reply>
using XcbReply = std::unique_ptr<Reply, FreeReply>;

// Long enough for any application id or class name.
constexpr uint32_t maxTextLongs = 256;

xcb_atom_t atomReply(xcb_connection_t* connection, xcb_intern_atom_cookie_t cookie)
{
    const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookie, nullptr));
    return reply ? reply->atom : XCB_NONE;
}

xcb_intern_atom_cookie_t internAtom(xcb_connection_t* connection, const char* name)
{
    return xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name);
}

xcb_get_property_cookie_t textProperty(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t atom)
{
    return xcb_get_property(connection, 0, window, atom, XCB_ATOM_ANY, 0, maxTextLongs);
}

QByteArray propertyBytes(xcb_connection_t* connection, xcb_get_property_cookie_t cookie)
{
    const XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, nullptr));
    if (!reply || reply->format != 8)
        return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

QString desktopEntryId(const QByteArray& value)
{
    QString id = QString::fromUtf8(value).trimmed();
    if (id.endsWith(QLatin1String(".desktop")))
        id.chop(int(qstrlen(".desktop")));
    return id;
}

// WM_CLASS holds the instance name and then the class name, each ending in a NUL.
QString wmClassName(const QByteArray& value)
{
    const QList<QByteArray> parts = value.split('\0');
    return parts.size() > 1 ? QString::fromLocal8Bit(parts[1]) : QString();
}

QList<EwmhWindows::ScaledScreen> scaledScreens()
{
    QList<EwmhWindows::ScaledScreen> result;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary)
        result.append({QRectF(primary->geometry()), primary->devicePixelRatio()});
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary)
            result.append({QRectF(screen->geometry()), screen->devicePixelRatio()});
    }
    return result;
}

} // namespace

EwmhWindows::EwmhWindows(const XcbSession& session, QObject* parent)
    : ActiveWindowSource(parent)
    , m_session(session)
{
    xcb_connection_t* connection = m_session.connection;
    xcb_intern_atom_cookie_t* ewmhCookies = xcb_ewmh_init_atoms(connection, &m_ewmh);
    const xcb_intern_atom_cookie_t gtkCookie = internAtom(connection, "_GTK_APPLICATION_ID");
    const xcb_intern_atom_cookie_t kdeCookie = internAtom(connection, "_KDE_NET_WM_DESKTOP_FILE");
    m_hasAtoms = xcb_ewmh_init_atoms_replies(&m_ewmh, ewmhCookies, nullptr) != 0;
    m_gtkApplicationId = atomReply(connection, gtkCookie);
    m_kdeDesktopFile = atomReply(connection, kdeCookie);
    if (m_hasAtoms)
        readListed(std::nullopt);
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installNativeEventFilter(this);
}

EwmhWindows::~EwmhWindows()
{
    // A failed initialisation has already freed what it allocated.
    if (m_hasAtoms)
        xcb_ewmh_connection_wipe(&m_ewmh);
}

std::unique_ptr<ActiveWindowSource> EwmhWindows::forSession(QObject* parent)
{
    if (const std::optional<XcbSession> session = XcbSession::current())
        return std::make_unique<EwmhWindows>(*session, parent);
    return std::make_unique<NullActiveWindowSource>(parent);
}

QRectF EwmhWindows::logicalFrame(const QRectF& device, const QList<ScaledScreen>& screens)
{
    if (screens.isEmpty())
        return device;
    const QPointF centre = device.center();
    const auto holdsCentre = [&](const ScaledScreen& screen) {
        const QRectF native(screen.frame.topLeft(), screen.frame.size() * screen.ratio);
        return centre.x() >= native.left() && centre.x() < native.right() && centre.y() >= native.top()
            && centre.y() < native.bottom();
    };
    const auto found = std::find_if(screens.cbegin(), screens.cend(), holdsCentre);
    const ScaledScreen& screen = found != screens.cend() ? *found : screens.first();
    const QPointF origin = screen.frame.topLeft();
    return {origin + (device.topLeft() - origin) / screen.ratio, device.size() / screen.ratio};
}

xcb_window_t EwmhWindows::activeWindowId() const
{
    xcb_window_t window = XCB_NONE;
    const xcb_get_property_cookie_t cookie = xcb_ewmh_get_active_window(&m_ewmh, m_session.screenNumber);
    return xcb_ewmh_get_active_window_reply(&m_ewmh, cookie, &window, nullptr) ? window : XCB_NONE;
}

std::optional<WindowInfo> EwmhWindows::activeWindow() const
{
    if (!m_hasAtoms)
        return std::nullopt;
    const xcb_window_t window = activeWindowId();
    if (window == XCB_NONE)
        return std::nullopt;
    const QList<WindowInfo> described = describe({window});
    return described.isEmpty() ? std::nullopt : std::optional(described.first());
}

QList<WindowInfo> EwmhWindows::stackingList() const
{
    if (!m_hasAtoms)
        return {};
    xcb_ewmh_connection_t* ewmh = &m_ewmh;
    xcb_ewmh_get_windows_reply_t clients{};
    if (!xcb_ewmh_get_client_list_stacking_reply(ewmh, xcb_ewmh_get_client_list_stacking(ewmh, m_session.screenNumber),
                                                 &clients, nullptr))
        return {};
    const std::vector<xcb_window_t> windows(clients.windows, clients.windows + clients.windows_len);
    xcb_ewmh_get_windows_reply_wipe(&clients);
    return describe(windows);
}

void EwmhWindows::readListed(std::optional<quint32> time)
{
    xcb_ewmh_get_windows_reply_t clients{};
    if (!xcb_ewmh_get_client_list_reply(&m_ewmh, xcb_ewmh_get_client_list(&m_ewmh, m_session.screenNumber), &clients,
                                        nullptr))
        return;
    const std::vector<xcb_window_t> ids(clients.windows, clients.windows + clients.windows_len);
    xcb_ewmh_get_windows_reply_wipe(&clients);
    // A window's process and names stay as they were: only new windows are read.
    QHash<quint32, WindowInfo> known;
    for (const WindowInfo& window : std::as_const(m_listed))
        known.insert(window.id, window);
    std::vector<xcb_window_t> fresh;
    for (const xcb_window_t id : ids) {
        if (!known.contains(id))
            fresh.push_back(id);
    }
    for (WindowInfo& window : describe(fresh))
        known.insert(window.id, std::move(window));
    m_listed.clear();
    for (const xcb_window_t id : ids) {
        if (const auto found = known.constFind(id); found != known.cend()) {
            m_listed.append(*found);
            known.erase(found);
        }
    }
    for (auto gone = known.cbegin(); gone != known.cend(); ++gone)
        emit windowUnlisted(gone.key(), time);
}

QList<WindowInfo> EwmhWindows::describe(const std::vector<xcb_window_t>& windows) const
{
    xcb_connection_t* connection = m_session.connection;
    xcb_ewmh_connection_t* ewmh = &m_ewmh;
    // Sent together, so that a whole list costs one round trip.
    std::vector<WindowRequests> requests;
    requests.reserve(windows.size());
    for (const xcb_window_t window : windows) {
        requests.push_back(
            {xcb_get_geometry(connection, window), xcb_translate_coordinates(connection, window, m_session.root, 0, 0),
             xcb_get_window_attributes(connection, window), xcb_ewmh_get_wm_pid(ewmh, window),
             xcb_ewmh_get_frame_extents(ewmh, window), xcb_ewmh_get_wm_window_type(ewmh, window),
             xcb_ewmh_get_wm_state(ewmh, window), textProperty(connection, window, m_gtkApplicationId),
             textProperty(connection, window, m_kdeDesktopFile), textProperty(connection, window, XCB_ATOM_WM_CLASS)});
    }

    const QList<ScaledScreen> screens = scaledScreens();
    QList<WindowInfo> result;
    for (std::size_t index = 0; index < windows.size(); ++index) {
        if (std::optional<WindowInfo> info = collect(windows[index], requests[index], screens))
            result.append(std::move(*info));
    }
    return result;
}

std::optional<WindowInfo> EwmhWindows::collect(xcb_window_t window, const WindowRequests& pending,
                                               const QList<ScaledScreen>& screens) const
{
    // Every reply is taken, also for a window that has gone meanwhile, so that none is left waiting.
    xcb_connection_t* connection = m_session.connection;
    xcb_ewmh_connection_t* ewmh = &m_ewmh;
    const XcbReply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(connection, pending.geometry, nullptr));
    const XcbReply<xcb_translate_coordinates_reply_t> origin(
        xcb_translate_coordinates_reply(connection, pending.origin, nullptr));
    const XcbReply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(connection, pending.attributes, nullptr));
    // A missing pid or frame extents leaves the zeroes in place.
    uint32_t pid = 0;
    xcb_ewmh_get_wm_pid_reply(ewmh, pending.pid, &pid, nullptr);
    xcb_ewmh_get_extents_reply_t extents{};
    xcb_ewmh_get_frame_extents_reply(ewmh, pending.extents, &extents, nullptr);
    const bool desktopElement = hasAtom(xcb_ewmh_get_wm_window_type_reply, pending.type,
                                        {m_ewmh._NET_WM_WINDOW_TYPE_DESKTOP, m_ewmh._NET_WM_WINDOW_TYPE_DOCK});
    const bool hidden = hasAtom(xcb_ewmh_get_wm_state_reply, pending.state, {m_ewmh._NET_WM_STATE_HIDDEN});
    const QString gtkId = desktopEntryId(propertyBytes(connection, pending.gtkApplicationId));
    const QString kdeId = desktopEntryId(propertyBytes(connection, pending.kdeDesktopFile));
    const QString className = wmClassName(propertyBytes(connection, pending.wmClass));
    if (!geometry || !origin || !attributes)
        return std::nullopt;

    WindowInfo info;
    info.id = window;
    info.pid = pid;
    info.appId = !gtkId.isEmpty() ? gtkId : !kdeId.isEmpty() ? kdeId : className;
    info.wmClass = className;
    const QRectF device(origin->dst_x - double(extents.left), origin->dst_y - double(extents.top),
                        geometry->width + double(extents.left + extents.right),
                        geometry->height + double(extents.top + extents.bottom));
    info.frame = logicalFrame(device, screens);
    info.visible = attributes->map_state == XCB_MAP_STATE_VIEWABLE && !hidden;
    info.desktopElement = desktopElement;
    return info;
}

bool EwmhWindows::hasAtom(AtomsReply reply, xcb_get_property_cookie_t cookie,
                          std::initializer_list<xcb_atom_t> wanted) const
{
    xcb_ewmh_get_atoms_reply_t atoms{};
    if (!reply(&m_ewmh, cookie, &atoms, nullptr))
        return false;
    const bool found = std::any_of(atoms.atoms, atoms.atoms + atoms.atoms_len, [&](xcb_atom_t atom) {
        return std::find(wanted.begin(), wanted.end(), atom) != wanted.end();
    });
    xcb_ewmh_get_atoms_reply_wipe(&atoms);
    return found;
}

bool EwmhWindows::nativeEventFilter(const QByteArray& eventType, void* message, qintptr* /*result*/)
{
    if (!m_hasAtoms || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    // The top bit marks events sent by another client; the window manager may send this one.
    if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
        return false;
    const auto* notify = static_cast<const xcb_property_notify_event_t*>(message);
    if (notify->window != m_session.root)
        return false;
    if (notify->atom == m_ewmh._NET_ACTIVE_WINDOW) {
        m_lastChangeTime = notify->time;
        emit activeWindowChanged();
    } else if (notify->atom == m_ewmh._NET_CLIENT_LIST) {
        readListed(notify->time);
    }
    return false;
}
