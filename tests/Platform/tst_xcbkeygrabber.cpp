#include "Wisplet/App/HotKeys.h"
#include "Wisplet/Platform/XcbKeyGrabber.h"
#include "tests/support/TestMain.h"

#include <QAbstractEventDispatcher>
#include <QAbstractNativeEventFilter>
#include <QProcess>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace {

constexpr int xTimeoutMs = 10'000;
constexpr quint32 keysymM = 'm';
constexpr quint32 keysymN = 'n';
constexpr quint16 ctrlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;

// Keys typed through XTest, as a person would; the arguments are separated by spaces.
bool xdotool(const char* arguments)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), QString::fromLatin1(arguments).split(QLatin1Char(' ')));
    return tool.waitForFinished(xTimeoutMs) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

// Another program on the same display, on its own connection.
class OtherClient final
{
public:
    OtherClient()
        : m_connection(xcb_connect(nullptr, nullptr))
        , m_root(xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root)
    {
        xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(m_connection);
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysymM);
        m_keycodeM = codes ? codes[0] : 0;
        std::free(codes);
        xcb_key_symbols_free(symbols);
    }
    ~OtherClient() { xcb_disconnect(m_connection); }
    Q_DISABLE_COPY_MOVE(OtherClient)

    // Ctrl+Alt+M with the given extra modifiers: 0, or the X error code.
    int grabM(quint16 modifiers)
    {
        const xcb_void_cookie_t cookie = xcb_grab_key_checked(m_connection, 0, m_root, modifiers, m_keycodeM,
                                                              XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t* error = xcb_request_check(m_connection, cookie);
        const int code = error ? error->error_code : 0;
        std::free(error);
        return code;
    }

    // Waits for the server's answer: a grab of ours on another connection must come after it.
    void ungrabM()
    {
        std::free(xcb_request_check(m_connection,
                                    xcb_ungrab_key_checked(m_connection, m_keycodeM, m_root, XCB_MOD_MASK_ANY)));
    }

    xcb_keycode_t keycodeM() const { return m_keycodeM; }
    xcb_window_t root() const { return m_root; }

    // The keyboard's modifiers and locks as the server has them now.
    quint16 modifierState()
    {
        xcb_query_pointer_reply_t* reply =
            xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr);
        const quint16 mask = reply ? reply->mask : 0;
        std::free(reply);
        return mask;
    }

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    xcb_keycode_t m_keycodeM = 0;
};

// Counts the presses of Ctrl+Alt+M that reach the application, before any other filter sees them.
class PressCounter final : public QAbstractNativeEventFilter
{
public:
    PressCounter() { QCoreApplication::instance()->installNativeEventFilter(this); }
    bool nativeEventFilter(const QByteArray&, void* message, qintptr*) override
    {
        const auto* event = static_cast<const xcb_key_press_event_t*>(message);
        if ((event->response_type & ~0x80) == XCB_KEY_PRESS && (event->state & ctrlAlt) == ctrlAlt)
            ++presses;
        return false;
    }
    int presses = 0;
};

struct Lock
{
    const char* keys = nullptr; // typed to set the locks; none for no lock
    quint16 mask = 0;
};

} // namespace

Q_DECLARE_METATYPE(Lock)

// Against the harness's Xvfb, whose keyboard puts Alt on Mod1 and NumLock on Mod2.
class XcbKeyGrabberTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_grabber = XcbKeyGrabber::forApplication();
        QVERIFY(m_grabber->isSupported());
    }

    void cleanup()
    {
        m_grabber.reset();
        xdotool("keyup ctrl+alt+m");
        // Locks are toggled back by the key that set them.
        OtherClient probe;
        const quint16 state = probe.modifierState();
        if (state & XCB_MOD_MASK_2)
            xdotool("key Num_Lock");
        if (state & XCB_MOD_MASK_LOCK)
            xdotool("key Caps_Lock");
    }

    void waylandSessionIsUnsupported()
    {
        const QByteArray before = qgetenv("XDG_SESSION_TYPE");
        qputenv("XDG_SESSION_TYPE", "wayland");
        const std::unique_ptr<GlobalKeyGrabber> grabber = XcbKeyGrabber::forApplication();
        qputenv("XDG_SESSION_TYPE", before);
        QVERIFY(!grabber->isSupported());
        QCOMPARE(grabber->grab(1, keysymM), GlobalKeyGrabber::unsupported);
    }

    void pressesAnswerWhateverTheLocks_data()
    {
        QTest::addColumn<Lock>("row");
        QTest::newRow("no locks") << Lock{};
        QTest::newRow("NumLock") << Lock{"key Num_Lock", XCB_MOD_MASK_2};
        QTest::newRow("CapsLock") << Lock{"key Caps_Lock", XCB_MOD_MASK_LOCK};
        QTest::newRow("NumLock and CapsLock") << Lock{"key Num_Lock Caps_Lock", XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK};
    }

    void pressesAnswerWhateverTheLocks()
    {
        QFETCH(Lock, row);
        if (row.keys) {
            QVERIFY(xdotool(row.keys));
            OtherClient probe;
            QTRY_COMPARE_WITH_TIMEOUT(probe.modifierState() & row.mask, row.mask, xTimeoutMs);
        }
        QCOMPARE(m_grabber->grab(7, keysymM), 0);
        QSignalSpy pressed(m_grabber.get(), &GlobalKeyGrabber::pressed);

        QVERIFY(xdotool("key ctrl+alt+m"));
        QTRY_COMPARE_WITH_TIMEOUT(pressed.count(), 1, xTimeoutMs);
        QCOMPARE(pressed.at(0).at(0).toUInt(), 7u);

        // A released combination stays silent: N, pressed after M, arrives alone.
        m_grabber->release(7);
        QCOMPARE(m_grabber->grab(8, keysymN), 0);
        QVERIFY(xdotool("key ctrl+alt+m ctrl+alt+n"));
        QTRY_COMPARE_WITH_TIMEOUT(pressed.count(), 2, xTimeoutMs);
        QCOMPARE(pressed.at(1).at(0).toUInt(), 8u);
    }

    void holdingTheKeysFiresOnce()
    {
        QCOMPARE(m_grabber->grab(7, keysymM), 0);
        QCOMPARE(m_grabber->grab(8, keysymN), 0);
        QSignalSpy pressed(m_grabber.get(), &GlobalKeyGrabber::pressed);
        PressCounter counter;

        QVERIFY(xdotool("keydown ctrl+alt+m"));
        // The server's auto-repeat has sent the press again by then.
        QTRY_VERIFY_WITH_TIMEOUT(counter.presses >= 3, xTimeoutMs);
        QVERIFY(xdotool("keyup m"));
        QVERIFY(xdotool("key n keyup ctrl+alt"));
        QTRY_COMPARE_WITH_TIMEOUT(pressed.count(), 2, xTimeoutMs);
        QCOMPARE(pressed.at(0).at(0).toUInt(), 7u);
        QCOMPARE(pressed.at(1).at(0).toUInt(), 8u);
    }

    // Auto-repeat as some servers send it: presses without releases, or a release and a press at the same
    // instant. Fed straight to the grabber's filter, so the server's own repeat settings play no part.
    void autoRepeatFiresOnce()
    {
        QCOMPARE(m_grabber->grab(7, keysymM), 0);
        QSignalSpy pressed(m_grabber.get(), &GlobalKeyGrabber::pressed);
        OtherClient other;
        const auto feed = [&](quint8 type, xcb_timestamp_t time) {
            xcb_key_press_event_t event{};
            event.response_type = type;
            event.detail = other.keycodeM();
            event.time = time;
            event.root = other.root();
            event.event = other.root();
            event.state = ctrlAlt;
            qintptr result = 0;
            return QAbstractEventDispatcher::instance()->filterNativeEvent("xcb_generic_event_t", &event, &result);
        };
        QVERIFY(feed(XCB_KEY_PRESS, 1000));
        QVERIFY(feed(XCB_KEY_PRESS, 1030));
        QVERIFY(feed(XCB_KEY_PRESS, 1060));
        QCOMPARE(pressed.count(), 1);
        feed(XCB_KEY_RELEASE, 1090);
        QVERIFY(feed(XCB_KEY_PRESS, 1090));
        QCOMPARE(pressed.count(), 1);
        // A real release and a later press is a new press.
        feed(XCB_KEY_RELEASE, 1200);
        QVERIFY(feed(XCB_KEY_PRESS, 1400));
        QCOMPARE(pressed.count(), 2);
    }

    void anotherClientsGrabIsReportedAndHandedBack_data()
    {
        QTest::addColumn<quint16>("heldModifiers");
        QTest::newRow("plain") << ctrlAlt;
        QTest::newRow("with NumLock only") << quint16(ctrlAlt | XCB_MOD_MASK_2);
    }

    void anotherClientsGrabIsReportedAndHandedBack()
    {
        QFETCH(quint16, heldModifiers);
        OtherClient other;
        QCOMPARE(other.grabM(heldModifiers), 0);

        QCOMPARE(m_grabber->grab(1, keysymM), 10);
        const HotKey hotKey(*m_grabber, keysymM, 1, [] {});
        QCOMPARE(hotKey.registrationError(), QStringLiteral("Shortcut unavailable (10). Choose another key."));

        // Nothing of ours is left behind in the lock states that did succeed.
        other.ungrabM();
        for (const int locks : {0, int(XCB_MOD_MASK_2), int(XCB_MOD_MASK_LOCK), XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK})
            QCOMPARE(other.grabM(quint16(ctrlAlt | locks)), 0);

        // Once the other client lets go, the keys are ours until we release them.
        other.ungrabM();
        QCOMPARE(m_grabber->grab(1, keysymM), 0);
        QCOMPARE(other.grabM(ctrlAlt | XCB_MOD_MASK_LOCK), 10);
        m_grabber->release(1);
        QCOMPARE(other.grabM(ctrlAlt | XCB_MOD_MASK_LOCK), 0);
    }

private:
    std::unique_ptr<GlobalKeyGrabber> m_grabber;
};

WISPLET_TEST_MAIN(XcbKeyGrabberTest)
#include "tst_xcbkeygrabber.moc"
