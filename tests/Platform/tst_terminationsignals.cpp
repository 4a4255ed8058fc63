#include "Wisplet/Platform/TerminationSignals.h"
#include "tests/support/TestMain.h"

#include <QSignalSpy>

#include <csignal>

namespace {

struct Row
{
    int number;
    // The disposition the program was started with.
    bool ignoredAtStart;
};

__sighandler_t disposition(int number)
{
    struct sigaction current = {};
    ::sigaction(number, nullptr, &current);
    return current.sa_handler;
}

} // namespace

Q_DECLARE_METATYPE(Row)

class TestTerminationSignals final : public QObject
{
    Q_OBJECT

private slots:
    void ignoredSignalsStayIgnored_data()
    {
        QTest::addColumn<Row>("row");
        QTest::newRow("SIGHUP at the end of the session") << Row{SIGHUP, false};
        QTest::newRow("SIGHUP under nohup") << Row{SIGHUP, true};
        QTest::newRow("SIGINT from Ctrl+C") << Row{SIGINT, false};
        QTest::newRow("SIGINT in a script's background job") << Row{SIGINT, true};
    }

    void ignoredSignalsStayIgnored()
    {
        QFETCH(Row, row);
        const __sighandler_t atStart = row.ignoredAtStart ? SIG_IGN : SIG_DFL;
        const __sighandler_t termAtStart = disposition(SIGTERM);
        const __sighandler_t testHarness = std::signal(row.number, atStart);
        {
            TerminationSignals handler;
            QSignalSpy requests(&handler, &TerminationSignals::terminationRequested);
            QCOMPARE(disposition(row.number) == SIG_IGN, row.ignoredAtStart);

            std::raise(row.number);
            // SIGTERM is always ours; once its request is in, any request of the first signal is too.
            std::raise(SIGTERM);
            QTRY_VERIFY_WITH_TIMEOUT(requests.size() >= 1 && requests.last().at(0).toInt() == SIGTERM, 5000);
            const QList<int> expected = row.ignoredAtStart ? QList<int>{SIGTERM} : QList<int>{row.number, SIGTERM};
            QList<int> received;
            for (const QList<QVariant>& request : requests)
                received << request.at(0).toInt();
            QCOMPARE(received, expected);
        }
        // Letting go gives back what was there before.
        QVERIFY(disposition(row.number) == atStart);
        QVERIFY(disposition(SIGTERM) == termAtStart);
        std::signal(row.number, testHarness);
    }
};

WISPLET_TEST_MAIN(TestTerminationSignals)
#include "tst_terminationsignals.moc"
