#include "Wisplet/App/UpdateAlert.h"
#include "Wisplet/App/Updater.h"
#include "Wisplet/Base/ToolRegistry.h"
#include "Wisplet/Companion/CompanionSpriteView.h"
#include "Wisplet/Notch/FileDropTarget.h"
#include "Wisplet/Notch/HeaderButton.h"
#include "Wisplet/Notch/NotchPanel.h"
#include "Wisplet/Notch/NotchRootView.h"
#include "Wisplet/Notch/ToolPanelView.h"
#include "Wisplet/Platform/QtScreenProvider.h"
#include "Wisplet/Platform/X11WindowService.h"
#include "Wisplet/Settings/SettingsWindow.h"
#include "tests/support/FakePeekSources.h"
#include "tests/support/RealPanel.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/WidgetsTestMain.h"
#include "tests/support/XTools.h"

#include <QMessageBox>
#include <QScreen>
#include <QSignalSpy>
#include <QToolTip>

using XTools::timeoutMs;

// The island in the real panel on the X server: hover and the leave delay, as a person would use them.
class TestNotchWindow final : public QObject
{
    Q_OBJECT

private:
    RegistryFixture m_fixture;
    std::unique_ptr<RealPanel> m_real;
    NotchRootView* m_root = nullptr;
    NotchPanel* m_panel = nullptr;

    static void pointAt(const QPoint& global)
    {
        XTools::xdotool({"mousemove", QString::number(global.x()), QString::number(global.y())});
    }

    QPoint islandCentre() const { return islandOnScreen().center(); }

    // The first move may come before the window manager has settled the new window; each try enters the
    // island afresh from outside the panel.
    bool hoverOpen() const
    {
        if (m_root->isExpanded())
            return true;
        pointAt(QPoint(960, 1000));
        pointAt(islandCentre());
        return false;
    }

    // Once the opening island has grown over it: until then a click there goes through to what is below.
    void clickOn(const QWidget* control) const
    {
        QVERIFY(control);
        const QPoint inPanel = control->mapTo(m_panel, control->rect().center());
        const QPoint global = XTools::frameOf(quint32(m_panel->winId())).topLeft() + inPanel;
        QTRY_VERIFY_WITH_TIMEOUT(islandOnScreen().adjusted(0, 0, 0, -30).contains(global), timeoutMs);
        QVERIFY(XTools::clickAt(global));
    }

    QRect islandOnScreen() const
    {
        // Where the X server has the window: Qt's own idea of it can lag behind the window manager's move.
        return m_root->islandOutline().boundingRect().toAlignedRect().translated(
            XTools::frameOf(quint32(m_panel->winId())).topLeft());
    }

private slots:
    void initTestCase()
    {
        m_fixture.load();
        m_real = std::make_unique<RealPanel>(m_fixture);
        m_root = m_real->root;
        m_panel = m_real->panel.get();
        m_panel->show();
        QTRY_VERIFY_WITH_TIMEOUT(m_panel->windowHandle() && m_panel->windowHandle()->isExposed(), timeoutMs);
    }

    void hoveringOpensAndLeavingClosesAfterTheDelay()
    {
        QTRY_VERIFY_WITH_TIMEOUT(hoverOpen(), timeoutMs);

        pointAt(QPoint(960, 1000));
        const auto leaveWaiting = [this] {
            const std::vector<qint64> delays = m_fixture.scheduler.pendingDelays();
            return std::find(delays.begin(), delays.end(), WispState::hoverLeaveDelayMs) != delays.end();
        };
        QTRY_VERIFY_WITH_TIMEOUT(leaveWaiting(), timeoutMs);
        QVERIFY(m_root->isExpanded()); // the leave waits a quarter second
        m_fixture.scheduler.advance(WispState::hoverLeaveDelayMs);
        QTRY_VERIFY_WITH_TIMEOUT(!m_root->isExpanded(), timeoutMs);
    }

    void tooltipsShowOnAPanelOpenedByHovering_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("tip");
        QTest::newRow("pin") << "pin"
                             << "Keep panel open";
        QTest::newRow("settings") << "settings"
                                  << "Settings";
        QTest::newRow("search") << "search"
                                << "Find tools · Ctrl Alt K";
    }

    // The pointer rests on an icon-only button of a panel that never took the keyboard.
    void tooltipsShowOnAPanelOpenedByHovering()
    {
        QFETCH(QString, control);
        QFETCH(QString, tip);
        QTRY_VERIFY_WITH_TIMEOUT(hoverOpen(), timeoutMs);
        const QWidget* button = control == QLatin1String("pin") ? m_root->pinButton()
            : control == QLatin1String("settings")              ? m_root->settingsButton()
                                                                : m_root->toolPanel()->findChild<QWidget*>(control);
        QVERIFY(button);
        const QPoint global =
            XTools::frameOf(quint32(m_panel->winId())).topLeft() + button->mapTo(m_panel, button->rect().center());
        QTRY_VERIFY_WITH_TIMEOUT(islandOnScreen().adjusted(0, 0, 0, -30).contains(global), timeoutMs);
        pointAt(global);
        QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible() && QToolTip::text() == tip, timeoutMs);
        QVERIFY(!m_panel->isActiveWindow());
        QToolTip::hideText();
    }

    void theProgramsWindowsOpenInFrontOfThePinnedPanel_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<bool>("openBehind");
        QTest::addColumn<bool>("panelFocused");
        QTest::newRow("settings from the gear") << "settings" << false << false;
        QTest::newRow("settings open behind, from the gear") << "settings" << true << false;
        QTest::newRow("update alert, the panel focused") << "alert" << false << true;
    }

    // Pinned with its button, as the user pins it.
    void theProgramsWindowsOpenInFrontOfThePinnedPanel()
    {
        QFETCH(QString, window);
        QFETCH(bool, openBehind);
        QFETCH(bool, panelFocused);
        QPointer<SettingsWindow> settings;
        const auto openSettings = [this, &settings] {
            SettingsWindow::open(settings, m_fixture.defaults, settingsTitlePage, m_panel->screen());
        };
        connect(&m_fixture.events, &AppEvents::openSettings, this, openSettings);
        const auto cleanUp = qScopeGuard([this, &settings] {
            disconnect(&m_fixture.events, &AppEvents::openSettings, this, nullptr);
            delete settings;
        });
        if (openBehind) {
            openSettings();
            QTRY_VERIFY_WITH_TIMEOUT(settings->isActiveWindow(), timeoutMs);
        }
        QTRY_VERIFY_WITH_TIMEOUT(hoverOpen(), timeoutMs);
        clickOn(m_root->pinButton());
        QTRY_VERIFY_WITH_TIMEOUT(m_fixture.wisp->isPinnedOpen(), timeoutMs);
        if (panelFocused) {
            m_panel->takeFocus();
            QTRY_VERIFY_WITH_TIMEOUT(m_panel->isActiveWindow(), timeoutMs);
        }

        QWidget* opened = nullptr;
        if (window == QLatin1String("alert")) {
            showUpdateResult(UpdateCheckResult::upToDate());
            QTRY_VERIFY_WITH_TIMEOUT(opened = qobject_cast<QMessageBox*>(QApplication::activeWindow()), timeoutMs);
        } else {
            QSignalSpy asked(&m_fixture.events, &AppEvents::openSettings);
            clickOn(m_root->settingsButton());
            QTRY_COMPARE_WITH_TIMEOUT(asked.count(), 1, timeoutMs);
            QTRY_VERIFY_WITH_TIMEOUT(settings && settings->isActiveWindow(), timeoutMs);
            opened = settings;
        }
        const auto closeAlert = qScopeGuard([opened, settings] {
            if (opened != settings)
                delete opened;
        });
        QVERIFY(!m_fixture.wisp->isPinnedOpen());
        QTRY_VERIFY_WITH_TIMEOUT(!m_root->isExpanded() && !m_panel->isActiveWindow(), timeoutMs);
        const QRect frame = XTools::frameOf(quint32(opened->winId()));
        QVERIFY(!frame.isEmpty());
        QTRY_VERIFY2_WITH_TIMEOUT(
            !frame.intersects(islandOnScreen()),
            qPrintable(QStringLiteral("%1 under %2").arg(QDebug::toString(frame), QDebug::toString(islandOnScreen()))),
            timeoutMs);
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestNotchWindow)
#include "tst_notchwindow.moc"
