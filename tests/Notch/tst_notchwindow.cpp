#include "Wisplet/Base/ToolRegistry.h"
#include "Wisplet/Companion/CompanionSpriteView.h"
#include "Wisplet/Notch/FileDropTarget.h"
#include "Wisplet/Notch/NotchPanel.h"
#include "Wisplet/Notch/NotchRootView.h"
#include "Wisplet/Platform/QtScreenProvider.h"
#include "Wisplet/Platform/X11WindowService.h"
#include "tests/support/FakePeekSources.h"
#include "tests/support/RealPanel.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/WidgetsTestMain.h"
#include "tests/support/XTools.h"

#include <QScreen>

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

    QPoint islandCentre() const
    {
        // Where the X server has the window: Qt's own idea of it can lag behind the window manager's move.
        return XTools::frameOf(quint32(m_panel->winId())).topLeft()
            + m_root->islandOutline().boundingRect().center().toPoint();
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
        // The first move may come before the window manager has settled the new window; each try enters
        // the island afresh from outside the panel.
        const auto hovered = [this] {
            if (m_root->isExpanded())
                return true;
            pointAt(QPoint(960, 1000));
            pointAt(islandCentre());
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(hovered(), timeoutMs);

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
};

WISPLET_WIDGETS_TEST_MAIN(TestNotchWindow)
#include "tst_notchwindow.moc"
