#include "Wisplet/Platform/SingleInstance.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/TestMain.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QSignalSpy>

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
};

struct Row
{
    Start first;
    Start second;
    bool secondRuns;
};

struct Reach
{
    Bus first;
    Bus second;
    bool heard;
};

struct SameDisplay
{
    QString one;
    QString other;
    bool same;
};

} // namespace

Q_DECLARE_METATYPE(Row)
Q_DECLARE_METATYPE(Reach)
Q_DECLARE_METATYPE(SameDisplay)

class TestSingleInstance final : public QObject
{
    Q_OBJECT

private:
    TempFolder m_runtime;
    PrivateBus m_busA;
    PrivateBus m_busB;
    int m_connections = 0;

    QDBusConnection connect(Bus bus)
    {
        const QString name = QStringLiteral("connection-%1").arg(++m_connections);
        if (bus == Bus::none)
            return QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), name);
        return QDBusConnection::connectToBus((bus == Bus::a ? m_busA : m_busB).address(), name);
    }

    std::unique_ptr<SingleInstance> start(const Start& how)
    {
        return std::make_unique<SingleInstance>(connect(how.bus),
                                                m_runtime.file(SingleInstance::lockFileName(how.display)));
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
        QTest::newRow("same display, same bus") << Row{{Bus::a, ":0"}, {Bus::a, ":0"}, false};
        QTest::newRow("same display, two buses") << Row{{Bus::a, ":0"}, {Bus::b, ":0.0"}, false};
        QTest::newRow("same display, the second without a bus") << Row{{Bus::a, ":0"}, {Bus::none, ":0"}, false};
        QTest::newRow("same display, no bus at all") << Row{{Bus::none, ":0"}, {Bus::none, ":0"}, false};
        QTest::newRow("another display, same bus") << Row{{Bus::a, ":0"}, {Bus::a, ":1"}, true};
        QTest::newRow("another display, no bus") << Row{{Bus::none, ":0"}, {Bus::none, ":1"}, true};
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

    void aSecondStartReachesTheFirstThroughTheBus_data()
    {
        QTest::addColumn<Reach>("row");
        QTest::newRow("both on the bus") << Reach{Bus::a, Bus::a, true};
        QTest::newRow("the second without a bus") << Reach{Bus::a, Bus::none, false};
        QTest::newRow("the first without a bus") << Reach{Bus::none, Bus::a, false};
    }

    void aSecondStartReachesTheFirstThroughTheBus()
    {
        QFETCH(Reach, row);
        const auto first = start({row.first, ":0"});
        QSignalSpy requests(first.get(), &SingleInstance::comeForwardRequested);
        const auto second = start({row.second, ":0"});
        QVERIFY(!second->isFirst());
        QCOMPARE(second->askFirstToComeForward(5000), row.heard);
        QCOMPARE(requests.size(), row.heard ? 1 : 0);
    }

    void theLockIsKeyedByDisplay_data()
    {
        QTest::addColumn<SameDisplay>("row");
        QTest::newRow("screen number") << SameDisplay{":0", ":0.1", true};
        QTest::newRow("local socket") << SameDisplay{":0", "unix:0", true};
        QTest::newRow("another number") << SameDisplay{":0", ":10", false};
        QTest::newRow("another host") << SameDisplay{":0", "remote:0", false};
        QTest::newRow("no display") << SameDisplay{"", ":0", false};
    }

    void theLockIsKeyedByDisplay()
    {
        QFETCH(SameDisplay, row);
        const QString one = SingleInstance::lockFileName(row.one);
        QCOMPARE(one == SingleInstance::lockFileName(row.other), row.same);
        QVERIFY(!one.contains(u'/') && !one.contains(u':'));
    }
};

WISPLET_TEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
