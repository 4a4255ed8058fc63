#include "Wisplet/Platform/LibsecretStore.h"
#include "tests/support/PrivateBusTestMain.h"

namespace {

// Only a guard against hanging: without a Secret Service every call must fail at once.
constexpr qint64 hangGuardMs = 10'000;

enum class Call { Lookup, Store, Remove };

} // namespace

Q_DECLARE_METATYPE(Call)

// No Secret Service on the session bus: every call fails, and none hangs.
class KeychainNoServiceTest final : public QObject
{
    Q_OBJECT

private slots:
    void everyCallFailsPromptly_data()
    {
        QTest::addColumn<Call>("call");
        QTest::newRow("lookup") << Call::Lookup;
        QTest::newRow("store") << Call::Store;
        QTest::newRow("remove") << Call::Remove;
    }

    void everyCallFailsPromptly()
    {
        QFETCH(Call, call);
        const QString key = QStringLiteral("noservice.key");
        LibsecretStore store;

        // Twice: the first attempt leaves libsecret's connection cached, the second goes through it.
        for (int attempt = 0; attempt < 2; ++attempt) {
            QElapsedTimer timer;
            timer.start();
            switch (call) {
            case Call::Lookup:
                QCOMPARE(QCoro::waitFor(store.lookup(key)).status, SecretStore::Status::Failed);
                break;
            case Call::Store:
                QCOMPARE(QCoro::waitFor(store.store(key, "secret")), SecretStore::Change::Failed);
                break;
            case Call::Remove:
                QCOMPARE(QCoro::waitFor(store.remove(key)), SecretStore::Change::Failed);
                break;
            }
            QVERIFY2(timer.elapsed() < hangGuardMs, qPrintable(QStringLiteral("took %1 ms").arg(timer.elapsed())));
        }
    }
};

WISPLET_PRIVATE_BUS_TEST_MAIN(KeychainNoServiceTest)

#include "tst_keychain_noservice.moc"
