#include "Wisplet/Base/Keychain.h"
#include "tests/support/FakeSecretStore.h"
#include "tests/support/TestMain.h"

namespace {

const QString key = QStringLiteral("weather.apiKey");
const QString readCall = QStringLiteral("read");

// Makes one call, a read or the write of a value, and writes down how it ended.
QCoro::Task<> record(Keychain& keychain, QString call, QString& outcome)
{
    using enum Keychain::WriteResult;
    if (call == readCall) {
        const Keychain::ReadResult read = co_await keychain.read(key);
        outcome = read.answered() ? QStringLiteral("read ") + read.value : QStringLiteral("unread");
    } else {
        const Keychain::WriteResult written = co_await keychain.write(call, key);
        outcome = written == Saved ? QStringLiteral("saved")
            : written == Replaced  ? QStringLiteral("replaced")
                                   : "failed";
    }
}

} // namespace

// The keyring answers each call only when the test says so, as a slow one does.
class KeychainOrderTest final : public QObject
{
    Q_OBJECT

private slots:
    void callsOnOneKeyGoInOrder_data()
    {
        QTest::addColumn<QStringList>("calls"); // "read", or a value to write
        QTest::addColumn<QStringList>("outcomes");
        QTest::addColumn<int>("writes"); // the writes that reached the keyring
        QTest::addColumn<QString>("kept");
        QTest::addColumn<int>("asked"); // the calls the keyring has before it answers any
        QTest::newRow("typing while a save waits")
            << QStringList{"a", "ab", "abc"} << QStringList{"saved", "replaced", "saved"} << 2 << "abc" << 1;
        QTest::newRow("a read between saves sees the first")
            << QStringList{"a", readCall, "b"} << QStringList{"saved", "read a", "saved"} << 2 << "b" << 1;
        QTest::newRow("a save does not wait for a read")
            << QStringList{readCall, "a", readCall} << QStringList{"read ", "saved", "read a"} << 1 << "a" << 2;
    }

    void callsOnOneKeyGoInOrder()
    {
        QFETCH(QStringList, calls);
        QFETCH(QStringList, outcomes);
        QFETCH(int, writes);
        QFETCH(QString, kept);
        QFETCH(int, asked);
        FakeSecretStore store;
        store.holding = true;
        Keychain keychain(store);
        QStringList ended(calls.size());
        for (qsizetype i = 0; i < calls.size(); ++i)
            record(keychain, calls.at(i), ended[i]);
        QCOMPARE(store.waiting.size(), std::size_t(asked));

        store.answerAll();
        QCOMPARE(ended, outcomes);
        QCOMPARE(store.writes, writes);
        QCOMPARE(QString::fromUtf8(store.items.value(key)), kept);
    }

    void callsOutliveTheKeychain()
    {
        FakeSecretStore store;
        store.holding = true;
        auto keychain = std::make_unique<Keychain>(store);
        QString written;
        QString read;
        record(*keychain, "a", written);
        record(*keychain, readCall, read);
        keychain.reset();
        store.answerAll();
        // What the keyring was asked it carries out; what had not reached it yet ends unanswered.
        QCOMPARE(written, QStringLiteral("saved"));
        QCOMPARE(read, QStringLiteral("unread"));
    }
};

WISPLET_TEST_MAIN(KeychainOrderTest)
#include "tst_keychain_order.moc"
