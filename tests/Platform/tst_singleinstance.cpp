#include "Wisplet/Platform/SingleInstance.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/TestMain.h"

namespace {

enum class Bus {
    none,
    a,
    b,
};

struct Start
{
    Bus bus;
    QString display;
    // Without it no lock file can be made.
    bool runtimeFolder = true;
};

struct Row
{
    Start first;
    Start second;
    bool secondRuns;
};

} // namespace

Q_DECLARE_METATYPE(Row)

class TestSingleInstance final : public QObject
{
    Q_OBJECT

private:
    TempFolder m_runtime;
    PrivateBus m_busA;
    PrivateBus m_busB;
    int m_connections = 0;

    std::unique_ptr<SingleInstance> start(const Start& how)
    {
        const QString name = QStringLiteral("connection-%1").arg(++m_connections);
        const QString address = how.bus == Bus::none ? QStringLiteral("unix:path=/nonexistent/bus")
                                                     : (how.bus == Bus::a ? m_busA : m_busB).address();
        return std::make_unique<SingleInstance>(
            QDBusConnection::connectToBus(address, name),
            m_runtime.file((how.runtimeFolder ? "" : "gone/") + SingleInstance::lockFileName(how.display)));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_busA.start(), qPrintable(m_busA.errorText()));
        QVERIFY2(m_busB.start(), qPrintable(m_busB.errorText()));
    }

    void oneInstancePerDisplayWhateverTheBus_data()
    {
        QTest::addColumn<Row>("row");
        QTest::newRow("same bus") << Row{{Bus::a, ":0"}, {Bus::a, ":0"}, false};
        QTest::newRow("two buses, screen named") << Row{{Bus::a, ":0"}, {Bus::b, ":0.0"}, false};
        QTest::newRow("second without a bus, local socket") << Row{{Bus::a, ":0"}, {Bus::none, "unix:0"}, false};
        QTest::newRow("no bus at all") << Row{{Bus::none, ":0"}, {Bus::none, ":0"}, false};
        QTest::newRow("another display, same bus") << Row{{Bus::a, ":0"}, {Bus::a, ":1"}, true};
        QTest::newRow("another host, no bus") << Row{{Bus::none, ":0"}, {Bus::none, "remote:0"}, true};
        QTest::newRow("no runtime folder, the bus decides") << Row{{Bus::a, ":0", false}, {Bus::a, ":0", false}, false};
        QTest::newRow("no runtime folder, no bus") << Row{{Bus::none, ":0", false}, {Bus::none, ":0", false}, true};
    }

    void oneInstancePerDisplayWhateverTheBus()
    {
        QFETCH(Row, row);
        auto first = start(row.first);
        QVERIFY(first->isFirst());
        QCOMPARE(start(row.second)->isFirst(), row.secondRuns);
        // Once the first has gone, the display is free again.
        first.reset();
        QVERIFY(start(row.second)->isFirst());
    }
};

WISPLET_TEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
