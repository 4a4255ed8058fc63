#include "tests/support/Files.h"
#include "tests/support/LaunchedProgram.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/SilentSecretService.h"
#include "tests/support/TestMain.h"
#include "tests/support/XTools.h"

namespace {

using XTools::timeoutMs;

// The weather tool first, so Ctrl+Alt+1 opens it; both it and a business service want a key at start.
const QByteArray defaults = R"({"onboarded": true, "tools.order": ["weather", "business"],
    "tools.enabled": ["weather", "business"], "integrations.enabled": ["stripe"],
    "weather.place": {"name": "Lisbon", "country": "Portugal", "latitude": 38.7, "longitude": -9.1}})";

} // namespace

// The built program over a keyring that takes every call and answers none.
class TestKeychainLaunch final : public QObject
{
    Q_OBJECT

private slots:
    void theProgramNeverWaitsForTheKeyring()
    {
        PrivateBus bus;
        QVERIFY2(bus.start(), qPrintable(bus.errorText()));
        SilentSecretService keyring(bus.address());
        QVERIFY(keyring.registerOnBus());
        const TempFolder home;
        const QString config = home.file(QStringLiteral("config"));
        QVERIFY(TestFiles::write(config + QStringLiteral("/Wisplet/defaults.json"), defaults));

        const auto wisplet =
            LaunchedProgram::start(QStringLiteral(WISPLET_BINARY),
                                   {{QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address()},
                                    {QStringLiteral("HOME"), home.path()},
                                    {QStringLiteral("XDG_CONFIG_HOME"), config},
                                    {QStringLiteral("XDG_DATA_HOME"), home.file(QStringLiteral("data"))},
                                    {QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0")}});
        QTRY_VERIFY_WITH_TIMEOUT(LaunchedProgram::visibleWindowOf(*wisplet) != 0, timeoutMs);
        const quint32 panel = LaunchedProgram::visibleWindowOf(*wisplet);
        const auto height = [panel] { return XTools::boundingShape(panel).height(); };
        QTRY_VERIFY_WITH_TIMEOUT(height() > 0, timeoutMs);
        const int collapsed = height();
        // The stores have asked the keyring by now, and wait for it.
        QTRY_VERIFY_WITH_TIMEOUT(keyring.calls() > 0, timeoutMs);

        QVERIFY(XTools::xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+1")}));
        QTRY_VERIFY_WITH_TIMEOUT(height() > collapsed, 1'000);

        wisplet->terminate();
        QVERIFY(wisplet->waitForFinished(2'000));
        QVERIFY(wisplet->exitStatus() == QProcess::NormalExit && wisplet->exitCode() == 0);
    }
};

WISPLET_TEST_MAIN(TestKeychainLaunch)
#include "tst_keychain_launch.moc"
