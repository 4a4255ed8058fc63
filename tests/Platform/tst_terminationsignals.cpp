#include "Wisplet/Platform/TerminationSignals.h"
#include "tests/support/TestMain.h"

#include <QSignalSpy>

#include <csignal>

namespace {

struct Row
{
    int number;
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
        QTest::newRow("SIGINT in a script's background job") << Row{SIGINT, true};
    }

    void ignoredSignalsStayIgnored()
    {
        QFETCH(Row, row);
        const __sighandler_t atStart = row.ignoredAtStart ? SIG_IGN : SIG_DFL;
        const __sighandler_t harness = std::signal(row.number, atStart);
        {
            TerminationSignals handler;
            QSignalSpy requests(&handler, &TerminationSignals::terminationRequested);
            std::raise(row.number);
            // SIGTERM is always taken; once its request is in, so is any request the first one made.
            std::raise(SIGTERM);
            QTRY_VERIFY_WITH_TIMEOUT(!requests.isEmpty() && requests.last().at(0).toInt() == SIGTERM, 5000);
            QCOMPARE(requests.size(), row.ignoredAtStart ? 1 : 2);
        }
        // Letting go gives back what was there before.
        QVERIFY(disposition(row.number) == atStart);
        std::signal(row.number, harness);
    }

    // A main thread held when the signal comes takes it late; the quit's waits still end in time.
    void theQuitsDeadlineCountsFromTheSignal()
    {
        const TerminationSignals handler;
        std::raise(SIGTERM);
        QTest::qSleep(400);
        const qint64 left = TerminationSignals::quitDeadline().remainingTime();
        QVERIFY2(left > 700 && left <= 1'100, qPrintable(QString::number(left)));
    }
};

WISPLET_TEST_MAIN(TestTerminationSignals)
#include "tst_terminationsignals.moc"
