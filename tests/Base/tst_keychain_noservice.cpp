#include "Wisplet/Platform/LibsecretStore.h"
#include "tests/support/PrivateBusTestMain.h"
#include "tests/support/SilentSecretService.h"

#include <QTimer>

namespace {

using namespace std::chrono_literals;
using Status = SecretStore::Status;

// Only a guard against hanging: libsecret's own wait would be 25 s.
constexpr qint64 hangGuardMs = 5'000;
constexpr auto timeout = 400ms;

enum class Call { Lookup, Store, Remove };

// How the call ended, a change told as a lookup would be.
QCoro::Task<Status> outcome(LibsecretStore& store, Call call)
{
    const QString key = QStringLiteral("unanswered.key");
    if (call == Call::Lookup)
        co_return (co_await store.lookup(key)).status;
    SecretStore::Change change = SecretStore::Change::Done;
    if (call == Call::Store)
        change = co_await store.store(key, "secret");
    else
        change = co_await store.remove(key);
    co_return change == SecretStore::Change::TimedOut ? Status::TimedOut
        : change == SecretStore::Change::Failed       ? Status::Failed
                                                      : Status::Found;
}

} // namespace

Q_DECLARE_METATYPE(Call)

// A keyring that cannot answer: no Secret Service on the session bus, where every call fails at once, or one
// that takes every call and answers none, where every call ends as timed out at its time-out. None hangs, and
// the event loop runs all the while.
class KeychainNoServiceTest final : public QObject
{
    Q_OBJECT

private slots:
    void everyCallEndsByItself_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::addColumn<Call>("call");
        for (const bool silent : {false, true}) {
            const char* service = silent ? "a silent service" : "no service";
            QTest::addRow("%s, lookup", service) << silent << Call::Lookup;
            QTest::addRow("%s, store", service) << silent << Call::Store;
            QTest::addRow("%s, remove", service) << silent << Call::Remove;
        }
    }

    void everyCallEndsByItself()
    {
        QFETCH(bool, silent);
        QFETCH(Call, call);
        std::optional<SilentSecretService> keyring;
        if (silent) {
            keyring.emplace(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"));
            QVERIFY(keyring->registerOnBus());
        }
        LibsecretStore store(QString::fromLatin1(LibsecretStore::defaultService), timeout);
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
        ticker.start(20ms);

        // Twice: the first attempt leaves libsecret's connection cached, the second goes through it.
        for (int attempt = 0; attempt < 2; ++attempt) {
            QElapsedTimer timer;
            timer.start();
            QCOMPARE(QCoro::waitFor(outcome(store, call)), silent ? Status::TimedOut : Status::Failed);
            QVERIFY2(timer.elapsed() < hangGuardMs && (!silent || timer.elapsed() >= timeout.count()),
                     qPrintable(QStringLiteral("took %1 ms").arg(timer.elapsed())));
        }
        // It was the keyring that kept us waiting, and the main thread went on meanwhile.
        if (silent) {
            QVERIFY(keyring->calls() > 0);
            QVERIFY2(ticks >= 5, qPrintable(QStringLiteral("%1 ticks").arg(ticks)));
        }
    }
};

WISPLET_PRIVATE_BUS_TEST_MAIN(KeychainNoServiceTest)

#include "tst_keychain_noservice.moc"
