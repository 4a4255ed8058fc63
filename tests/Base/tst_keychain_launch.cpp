#include "tests/support/LaunchedProgram.h"
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
        LaunchedProgram::Session session;
        QVERIFY2(session.startBus(), qPrintable(session.errorText()));
        SilentSecretService keyring(session.busAddress());
        QVERIFY(keyring.registerOnBus());
        QVERIFY2(session.start(QStringLiteral(WISPLET_BINARY), defaults), qPrintable(session.errorText()));
        const auto height = [&session] { return XTools::boundingShape(session.panel()).height(); };
        const int collapsed = height();
        // The stores have asked the keyring by now, and wait for it.
        QTRY_VERIFY_WITH_TIMEOUT(keyring.calls() > 0, timeoutMs);

        QVERIFY(XTools::xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+1")}));
        QTRY_VERIFY_WITH_TIMEOUT(height() > collapsed, 1'000);

        QProcess& wisplet = session.process();
        wisplet.terminate();
        QVERIFY(wisplet.waitForFinished(2'000));
        QVERIFY(wisplet.exitStatus() == QProcess::NormalExit && wisplet.exitCode() == 0);
    }
};
WISPLET_TEST_MAIN(TestKeychainLaunch)
#include "tst_keychain_launch.moc"
