#include "Wisplet/Platform/LibsecretStore.h"
#include "tests/support/PrivateBusTestMain.h"
#include "tests/support/SilentSecretService.h"

#include <QTimer>

namespace {

using namespace std::chrono_literals;

constexpr auto timeout = 400ms;
// Only a guard against hanging: libsecret's own wait would be 25 s.
constexpr qint64 hangGuardMs = 5'000;

enum class Call { Lookup, Store, Remove };

// Whether the call ended as timed out.
QCoro::Task<bool> timedOut(LibsecretStore& store, Call call)
{
    const QString key = QStringLiteral("silent.key");
    switch (call) {
    case Call::Lookup:
        co_return (co_await store.lookup(key)).status == SecretStore::Status::TimedOut;
    case Call::Store:
        co_return co_await store.store(key, "secret") == SecretStore::Change::TimedOut;
    case Call::Remove:
        break;
    }
    co_return co_await store.remove(key) == SecretStore::Change::TimedOut;
}

} // namespace

Q_DECLARE_METATYPE(Call)

// A Secret Service on the bus that never answers: every call ends as timed out at its time-out, and the
// event loop runs all the while.
class KeychainSilentTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_keyring.registerOnBus()); }

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

        QVERIFY(QCoro::waitFor(timedOut(store, call)));
        QVERIFY2(timer.elapsed() >= timeout.count() && timer.elapsed() < hangGuardMs,
                 qPrintable(QStringLiteral("took %1 ms").arg(timer.elapsed())));
        // It was the keyring that kept us waiting, and the main thread went on meanwhile.
        QVERIFY(m_keyring.calls() > callsBefore);
        QVERIFY2(ticks >= 5, qPrintable(QStringLiteral("%1 ticks").arg(ticks)));
    }

private:
    SilentSecretService m_keyring{qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS")};
};

WISPLET_PRIVATE_BUS_TEST_MAIN(KeychainSilentTest)

#include "tst_keychain_silent.moc"
