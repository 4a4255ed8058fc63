#include "Wisplet/Platform/XcbKeyGrabber.h"

#include "Wisplet/Platform/XcbSession.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr quint32 altKeysym = 0xffe9; // XK_Alt_L
constexpr quint32 numLockKeysym = 0xff7f; // XK_Num_Lock
constexpr quint16 keyModifiers = 0xff; // Shift to Mod5; the rest of an event's state is pointer buttons

template <typename T>
using MallocPtr = std::unique_ptr<T, decltype(&std::free)>;
using KeySymbols = std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)>;

QList<quint8> keycodesFor(xcb_key_symbols_t* symbols, quint32 keysym)
{
    QList<quint8> keycodes;
    const MallocPtr<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(symbols, keysym), &std::free);
    for (const xcb_keycode_t* code = codes.get(); code && *code != XCB_NO_SYMBOL; ++code) {
        if (!keycodes.contains(*code))
            keycodes.append(*code);
    }
    return keycodes;
}

// The modifier bit that a key typing the keysym sets, or 0.
quint16 modifierMask(const xcb_get_modifier_mapping_reply_t& map, const QList<quint8>& keycodes)
{
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(&map);
    const int perModifier = map.keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            if (keycodes.contains(codes[modifier * perModifier + i]))
                return quint16(1u << modifier);
        }
    }
    return 0;
}

} // namespace

XcbKeyGrabber::XcbKeyGrabber(xcb_connection_t* connection, quint32 root, QObject* parent)
    : GlobalKeyGrabber(parent)
    , m_connection(connection)
    , m_root(root)
    , m_altMask(XCB_MOD_MASK_1)
    , m_numLockMask(XCB_MOD_MASK_2)
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installNativeEventFilter(this);
}

XcbKeyGrabber::~XcbKeyGrabber()
{
    QList<quint8> keycodes;
    for (const QList<quint8>& grabbed : std::as_const(m_grabs))
        keycodes.append(grabbed);
    m_grabs.clear();
    ungrab(keycodes);
}

std::unique_ptr<GlobalKeyGrabber> XcbKeyGrabber::forApplication()
{
    const std::optional<XcbSession> session = XcbSession::current();
    if (!session)
        return std::make_unique<NullKeyGrabber>();
    return std::make_unique<XcbKeyGrabber>(session->connection, session->root);
}

int XcbKeyGrabber::grab(quint32 id, quint32 keysym)
{
    release(id);
    const KeySymbols symbols(xcb_key_symbols_alloc(m_connection), &xcb_key_symbols_free);
    const QList<quint8> keycodes = keycodesFor(symbols.get(), keysym);
    if (keycodes.isEmpty())
        return noSuchKey;

    // The keyboard map can change at any time; read where Alt and NumLock sit now.
    const MallocPtr<xcb_get_modifier_mapping_reply_t> map(
        xcb_get_modifier_mapping_reply(m_connection, xcb_get_modifier_mapping(m_connection), nullptr), &std::free);
    if (map) {
        m_altMask = modifierMask(*map, keycodesFor(symbols.get(), altKeysym));
        if (m_altMask == 0)
            m_altMask = XCB_MOD_MASK_1;
        m_numLockMask = modifierMask(*map, keycodesFor(symbols.get(), numLockKeysym));
    }

    // Every request goes out before the first answer is awaited: one round trip for all of them.
    QList<xcb_void_cookie_t> cookies;
    for (const quint8 keycode : keycodes) {
        for (const quint16 modifiers : modifierVariants()) {
            cookies.append(xcb_grab_key_checked(m_connection, 0, m_root, modifiers, keycode, XCB_GRAB_MODE_ASYNC,
                                                XCB_GRAB_MODE_ASYNC));
        }
    }
    int failure = 0;
    for (const xcb_void_cookie_t& cookie : std::as_const(cookies)) {
        const MallocPtr<xcb_generic_error_t> error(xcb_request_check(m_connection, cookie), &std::free);
        if (error && failure == 0)
            failure = error->error_code;
    }
    // A combination that answers only in some lock states would be a puzzle; it is all or nothing.
    if (failure != 0) {
        ungrab(keycodes);
        return failure;
    }
    m_grabs.insert(id, keycodes);
    return 0;
}

void XcbKeyGrabber::release(quint32 id)
{
    const auto found = m_grabs.constFind(id);
    if (found == m_grabs.cend())
        return;
    const QList<quint8> keycodes = *found;
    m_grabs.erase(found);
    ungrab(keycodes);
}

QList<quint16> XcbKeyGrabber::modifierVariants() const
{
    const quint16 held = XCB_MOD_MASK_CONTROL | m_altMask;
    QList<quint16> variants;
    for (const quint16 locks :
         {quint16(0), m_numLockMask, quint16(XCB_MOD_MASK_LOCK), quint16(m_numLockMask | XCB_MOD_MASK_LOCK)}) {
        if (!variants.contains(held | locks))
            variants.append(held | locks);
    }
    return variants;
}

void XcbKeyGrabber::ungrab(const QList<quint8>& keycodes)
{
    for (const quint8 keycode : keycodes) {
        const bool stillHeld = std::any_of(m_grabs.cbegin(), m_grabs.cend(),
                                           [keycode](const QList<quint8>& held) { return held.contains(keycode); });
        if (stillHeld)
            continue;
        // Only our own grabs of the key go; we hold no others on it than Ctrl+Alt.
        xcb_ungrab_key(m_connection, keycode, m_root, XCB_MOD_MASK_ANY);
        m_down.remove(keycode);
    }
    xcb_flush(m_connection);
}

bool XcbKeyGrabber::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const quint8 type = event->response_type & ~0x80;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    const auto* key = static_cast<const xcb_key_press_event_t*>(message);
    // A release ends the press wherever it lands: a window of ours may have taken the keyboard meanwhile.
    if (type == XCB_KEY_RELEASE) {
        m_down.remove(key->detail);
        m_lastRelease = {key->detail, key->time};
        return false;
    }
    const quint16 locks = XCB_MOD_MASK_LOCK | m_numLockMask;
    if (key->event != m_root || (key->state & keyModifiers & ~locks) != (XCB_MOD_MASK_CONTROL | m_altMask))
        return false;

    QList<quint32> ids;
    for (auto it = m_grabs.cbegin(); it != m_grabs.cend(); ++it) {
        if (it->contains(key->detail))
            ids.append(it.key());
    }
    if (ids.isEmpty())
        return false;
    // Auto-repeat comes as presses without releases, or as a release and a press at the same instant.
    if (m_down.contains(key->detail) || m_lastRelease == std::pair(key->detail, key->time))
        return true;
    m_down.insert(key->detail);
    // The ids are collected first: an action may change the grabs.
    for (const quint32 id : std::as_const(ids))
        emit pressed(id);
    return true;
}
