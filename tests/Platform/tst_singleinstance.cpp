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
    // The data folder's name; without one, its lock file cannot be made.
    QString data = QStringLiteral("data");
    // Without it the display's lock file cannot be made.
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
        // A path through a regular file stops root too.
        const QString data = how.data.isEmpty() ? QStringLiteral("a-file") : how.data;
        QDir().mkpath(m_runtime.file(data));
        auto instance = std::make_unique<SingleInstance>(QStringList{
            m_runtime.file(data + QStringLiteral("/wisplet.lock")),
            m_runtime.file((how.runtimeFolder ? "" : "gone/") + SingleInstance::lockFileName(how.display))});
        instance->useBus(QDBusConnection::connectToBus(address, name));
        return instance;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_busA.start(), qPrintable(m_busA.errorText()));
        QVERIFY2(m_busB.start(), qPrintable(m_busB.errorText()));
        QVERIFY(QFile(m_runtime.file(QStringLiteral("a-file"))).open(QIODevice::WriteOnly));
    }

    void oneInstancePerDataFolderWhateverTheBus_data()
    {
        const QString none;
        QTest::addColumn<Row>("row");
        QTest::newRow("same bus") << Row{{Bus::a, ":0"}, {Bus::a, ":0"}, false};
        QTest::newRow("two buses") << Row{{Bus::a, ":0"}, {Bus::b, ":0"}, false};
        QTest::newRow("second without a bus") << Row{{Bus::a, ":0"}, {Bus::none, ":0"}, false};
        QTest::newRow("no bus at all") << Row{{Bus::none, ":0"}, {Bus::none, ":0"}, false};
        QTest::newRow("another display, same bus") << Row{{Bus::a, ":0"}, {Bus::a, ":1"}, false};
        QTest::newRow("another display, another bus") << Row{{Bus::a, ":0"}, {Bus::b, ":1"}, false};
        QTest::newRow("another data folder, same display")
            << Row{{Bus::a, ":0"}, {Bus::a, ":0", QStringLiteral("other")}, true};
        QTest::newRow("no data folder, the display decides: screen named")
            << Row{{Bus::a, ":0", none}, {Bus::b, ":0.0", none}, false};
        QTest::newRow("no data folder, the display decides: local socket")
            << Row{{Bus::none, ":0", none}, {Bus::none, "unix:0", none}, false};
        QTest::newRow("no data folder, another display") << Row{{Bus::a, ":0", none}, {Bus::a, ":1", none}, true};
        QTest::newRow("no data folder, another host")
            << Row{{Bus::none, ":0", none}, {Bus::none, "remote:0", none}, true};
        QTest::newRow("no folder for a lock at all, same bus")
            << Row{{Bus::a, ":0", none, false}, {Bus::a, ":0", none, false}, true};
    }

    void oneInstancePerDataFolderWhateverTheBus()
    {
        QFETCH(Row, row);
        auto first = start(row.first);
        QVERIFY(first->isFirst());
        QCOMPARE(start(row.second)->isFirst(), row.secondRuns);
        // Once the first has gone, the data is free again.
        first.reset();
        QVERIFY(start(row.second)->isFirst());
    }
};

WISPLET_TEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
