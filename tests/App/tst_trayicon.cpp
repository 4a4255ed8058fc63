#include "Wisplet/App/TrayIcon.h"
#include "Wisplet/App/TrayMenu.h"
#include "Wisplet/Base/QuietControls.h"
#include "tests/support/Fixtures.h"
#include "tests/support/WidgetsTestMain.h"

#include <QMenu>

namespace {

QAction* actionTitled(const QMenu& menu, const QString& prefix)
{
    for (QAction* action : menu.actions()) {
        if (action->text().startsWith(prefix))
            return action;
    }
    return nullptr;
}

} // namespace

// The tray menu on screen: an open menu follows Wisp and the settings, and the quiet submenu shows its
// symbol as the island's drop-down does.
class TestTrayIcon final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CompanionFixture> m_fixture;
    std::unique_ptr<QuietControls> m_quiet;
    std::unique_ptr<TrayMenu> m_model;
    std::unique_ptr<TrayIcon> m_tray;

private slots:
    void init()
    {
        m_fixture = std::make_unique<CompanionFixture>();
        m_quiet = std::make_unique<QuietControls>(m_fixture->settings, m_fixture->clock);
        m_model = std::make_unique<TrayMenu>(*m_fixture->wisp, m_fixture->settings, *m_quiet, TrayMenu::Hooks{});
        m_tray = std::make_unique<TrayIcon>(*m_model);
        m_tray->popup(QPoint(100, 100));
        QVERIFY(m_tray->menu().isVisible());
    }

    void cleanup()
    {
        m_tray.reset();
        m_model.reset();
        m_quiet.reset();
        m_fixture.reset();
    }

    void anOpenMenuFollowsTheStores()
    {
        QMenu& menu = m_tray->menu();
        QAction* presentation = actionTitled(menu, QStringLiteral("Presentation mode"));
        QVERIFY(presentation && !presentation->isChecked());
        m_fixture->settings.setPresentationMode(true);
        m_fixture->wisp->setPinnedOpen(true);
        QCoreApplication::processEvents();
        QVERIFY(actionTitled(menu, QStringLiteral("Presentation mode"))->isChecked());
        QVERIFY(actionTitled(menu, QStringLiteral("Unpin panel")));

        // A change the menu does not show leaves its items as they are.
        QAction* kept = actionTitled(menu, QStringLiteral("Unpin panel"));
        m_fixture->wisp->blink();
        QCoreApplication::processEvents();
        QCOMPARE(actionTitled(menu, QStringLiteral("Unpin panel")), kept);
    }

    void theQuietSubmenuShowsItsSymbol()
    {
        QAction* quiet = actionTitled(m_tray->menu(), QStringLiteral("Quiet"));
        QVERIFY(quiet && quiet->menu());
        QVERIFY(!quiet->icon().isNull());
        m_fixture->settings.setQuietMode(true);
        QCoreApplication::processEvents();
        QVERIFY(actionTitled(m_tray->menu(), QStringLiteral("Quiet on")));
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestTrayIcon)
#include "tst_trayicon.moc"
