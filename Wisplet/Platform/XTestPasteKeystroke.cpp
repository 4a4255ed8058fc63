#include "Wisplet/Platform/XTestPasteKeystroke.h"

#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <cstdlib>

namespace {

constexpr xcb_keysym_t controlLeft = 0xffe3;
constexpr xcb_keysym_t letterV = 0x0076;

// The first key that types the symbol; 0 when the keyboard has none.
xcb_keycode_t keycodeFor(xcb_key_symbols_t* symbols, xcb_keysym_t symbol)
{
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, symbol);
    const xcb_keycode_t first = codes ? codes[0] : 0;
    std::free(codes);
    return first == XCB_NO_SYMBOL ? 0 : first;
}

} // namespace

XTestPasteKeystroke::XTestPasteKeystroke(const XcbSession& session, QObject* parent)
    : PasteKeystroke(parent)
    , m_session(session)
{
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(m_session.connection, &xcb_test_id);
    m_hasXTest = extension && extension->present;
}

XTestPasteKeystroke::~XTestPasteKeystroke() = default;

std::unique_ptr<PasteKeystroke> XTestPasteKeystroke::forSession(QObject* parent)
{
    if (const std::optional<XcbSession> session = XcbSession::current())
        return std::make_unique<XTestPasteKeystroke>(*session, parent);
    return std::make_unique<NullPasteKeystroke>(parent);
}

bool XTestPasteKeystroke::postPaste()
{
    if (!m_hasXTest)
        return false;
    // Read at each paste: the user may have switched keyboard layouts.
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(m_session.connection);
    if (!symbols)
        return false;
    const xcb_keycode_t control = keycodeFor(symbols, controlLeft);
    const xcb_keycode_t v = keycodeFor(symbols, letterV);
    xcb_key_symbols_free(symbols);
    if (control == 0 || v == 0)
        return false;

    xcb_connection_t* connection = m_session.connection;
    const auto send = [&](uint8_t type, xcb_keycode_t key) {
        xcb_test_fake_input(connection, type, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    };
    send(XCB_KEY_PRESS, control);
    send(XCB_KEY_PRESS, v);
    send(XCB_KEY_RELEASE, v);
    send(XCB_KEY_RELEASE, control);
    return xcb_flush(connection) > 0;
}
