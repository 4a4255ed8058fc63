#include "Wisplet/Platform/LibsecretStore.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/SilentSecretService.h"
#include "tests/support/TestMain.h"

#include <QTimer>

#include <cstdio>

namespace {

using namespace std::chrono_literals;

constexpr auto timeout = 400ms;
// Only a guard against hanging: libsecret's own wait would be 25 s.
constexpr qint64 hangGuardMs = 5'000;

enum class Call { Lookup, Store, Remove };

// How the call ended, as the status a lookup would give.
QCoro::Task<SecretStore::Status> run(LibsecretStore& store, Call call)
{
    const QString key = QStringLiteral("silent.key");
    switch (call) {
    case Call::Lookup:
        co_return (co_await store.lookup(key)).status;
    case Call::Store:
        co_return co_await store.store(key, "secret") == SecretStore::Change::TimedOut ? SecretStore::Status::TimedOut
                                                                                       : SecretStore::Status::Failed;
    case Call::Remove:
        break;
    }
    co_return co_await store.remove(key) == SecretStore::Change::TimedOut ? SecretStore::Status::TimedOut
                                                                          : SecretStore::Status::Failed;
}

} // namespace

Q_DECLARE_METATYPE(Call)

// A Secret Service on the bus that never answers: every call ends as timed out at its time-out, and the
// event loop runs all the while.
class KeychainSilentTest final : public QObject
{
    Q_OBJECT

public:
    explicit KeychainSilentTest(SilentSecretService& keyring)
        : m_keyring(keyring)
    { }

private slots:
    void everyCallEndsAtItsTimeOut_data()
    {
        QTest::addColumn<Call>("call");
        QTest::newRow("lookup") << Call::Lookup;
        QTest::newRow("store") << Call::Store;
        QTest::newRow("remove") << Call::Remove;
    }

    void everyCallEndsAtItsTimeOut()
    {
        QFETCH(Call, call);
        LibsecretStore store(QString::fromLatin1(LibsecretStore::defaultService), timeout);
        const int callsBefore = m_keyring.calls();
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
        ticker.start(20ms);
        QElapsedTimer timer;
        timer.start();

        QCOMPARE(QCoro::waitFor(run(store, call)), SecretStore::Status::TimedOut);
        QVERIFY2(timer.elapsed() >= timeout.count() && timer.elapsed() < hangGuardMs,
                 qPrintable(QStringLiteral("took %1 ms").arg(timer.elapsed())));
        // It was the keyring that kept us waiting, and the main thread went on meanwhile.
        QVERIFY(m_keyring.calls() > callsBefore);
        QVERIFY2(ticks >= 5, qPrintable(QStringLiteral("%1 ticks").arg(ticks)));
    }

private:
    SilentSecretService& m_keyring;
};

int main(int argc, char** argv)
{
    TestSupport::prepareProcess();
    TestEnvironment environment;
    PrivateBus bus;
    if (!bus.start()) {
        std::fprintf(stderr, "No private bus: %s\n", qPrintable(bus.errorText()));
        return 1;
    }
    // Before anything opens the session bus: GLib keeps its first connection for the whole process. The bus is
    // stopped last, after the application, since GLib ends a process whose session bus vanishes while its
    // main loop still runs.
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());

    QGuiApplication app(argc, argv);
    SilentSecretService keyring(bus.address());
    if (!keyring.registerOnBus()) {
        std::fprintf(stderr, "Could not take the Secret Service's name\n");
        return 1;
    }
    KeychainSilentTest test(keyring);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_keychain_silent.moc"
