#include "Wisplet/App/AppDelegate.h"
#include "Wisplet/App/PanelControl.h"
#include "Wisplet/Platform/ScreenChanges.h"
#include "Wisplet/Platform/SingleInstance.h"
#include "tests/support/Fixtures.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/TestMain.h"

#include <QDBusConnectionInterface>
#include <QSignalSpy>
#include <QTimer>

namespace {

class CountingPanel final : public PanelControl
{
public:
    void reposition() override { }
    void releaseFocus() override { }
    void orderFront() override { }
    void orderOut() override { }
    void openForTool() override { ++opened; }
    int opened = 0;
};

struct Row
{
    bool presenting;
    bool hiddenForFullscreen;
    bool secondOnTheBus;
    // The first reaches the bus only after the second has asked.
    bool firstLate = false;
};

} // namespace

Q_DECLARE_METATYPE(Row)

// A second start, with the running Wisplet on a bus of the test's own.
class TestSecondStart final : public QObject
{
    Q_OBJECT

private:
    PrivateBus m_bus;
    TempFolder m_runtime;
    int m_connections = 0;

    QDBusConnection connect(bool onTheBus)
    {
        const QString name = QStringLiteral("connection-%1").arg(++m_connections);
        return QDBusConnection::connectToBus(onTheBus ? m_bus.address() : QStringLiteral("unix:path=/nonexistent"),
                                             name);
    }

private slots:
    void initTestCase() { QVERIFY2(m_bus.start(), qPrintable(m_bus.errorText())); }

    void theRunningOneComesForward_data()
    {
        QTest::addColumn<Row>("row");
        QTest::newRow("presenting") << Row{true, false, true};
        QTest::newRow("not presenting") << Row{false, false, true};
        QTest::newRow("hidden for full screen") << Row{true, true, true};
        QTest::newRow("the second start without a bus") << Row{true, false, false};
        QTest::newRow("the first on the bus after the second") << Row{false, false, true, true};
    }

    void theRunningOneComesForward()
    {
        QFETCH(Row, row);
        CompanionFixture fixture;
        CountingPanel panel;
        ScreenChanges screens(false);
        AppDelegate delegate(
            {*fixture.wisp, fixture.settings, fixture.events, fixture.scheduler, panel, screens, false}, {});
        delegate.launch();
        const QString lock = m_runtime.file(QStringLiteral("wisplet.lock"));
        const QDBusConnection bus = connect(true);
        // The row before gives the name back without waiting.
        QTRY_VERIFY(!bus.interface()->isServiceRegistered(QString::fromLatin1(SingleInstance::busName)));
        SingleInstance running({lock});
        if (row.firstLate) {
            QTimer::singleShot(300, &running, [&running, bus] { running.useBus(bus); });
        } else {
            running.useBus(bus);
            // The name is asked for without waiting.
            QTRY_COMPARE(bus.interface()->serviceOwner(QString::fromLatin1(SingleInstance::busName)).value(),
                         bus.baseService());
        }
        QObject::connect(&running, &SingleInstance::comeForwardRequested, &delegate, &AppDelegate::comeForward);
        fixture.settings.setPresentationMode(row.presenting);
        fixture.wisp->setHiddenForFullscreen(row.hiddenForFullscreen);
        QSignalSpy presentation(&fixture.settings, &AppSettings::presentationModeChanged);

        SingleInstance second({lock});
        second.useBus(connect(row.secondOnTheBus));
        QVERIFY(!second.isFirst());
        QCOMPARE(second.askFirstToComeForward(QDeadlineTimer(5000)), row.secondOnTheBus);

        const bool forward = row.secondOnTheBus;
        QCOMPARE(fixture.settings.presentationMode(), row.presenting && !forward);
        // Switching it off when it was off would collapse the companion again.
        QCOMPARE(presentation.size(), row.presenting && forward ? 1 : 0);
        QCOMPARE(fixture.wisp->isPinnedOpen(), forward);
        QCOMPARE(panel.opened, forward && !row.hiddenForFullscreen ? 1 : 0);
    }
};

WISPLET_TEST_MAIN(TestSecondStart)
#include "tst_secondstart.moc"
