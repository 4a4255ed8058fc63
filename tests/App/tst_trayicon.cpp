#include "Wisplet/App/TrayIcon.h"
#include "Wisplet/App/TrayMenu.h"
#include "Wisplet/Base/QuietControls.h"
#include "tests/support/Fixtures.h"
#include "tests/support/WidgetsTestMain.h"

#include <QMenu>

// The tray menu on screen: an open menu follows Wisp and the settings, and the quiet submenu shows its
// symbol as the island's drop-down does.
class TestTrayIcon final : public QObject
{
    Q_OBJECT

private slots:
    void anOpenMenuFollowsTheStores()
    {
        CompanionFixture fixture;
        QuietControls quiet(fixture.settings, fixture.clock);
        TrayMenu model(*fixture.wisp, fixture.settings, quiet, {});
        TrayIcon tray(model);
        tray.popup(QPoint(100, 100));
        const auto titled = [&tray](const QString& prefix) -> QAction* {
            const QList<QAction*> actions = tray.menu().actions();
            const auto found = std::find_if(actions.begin(), actions.end(),
                                            [&](QAction* action) { return action->text().startsWith(prefix); });
            return found == actions.end() ? nullptr : *found;
        };
        QVERIFY(!titled("Presentation mode")->isChecked());
        QVERIFY(!titled("Quiet")->icon().isNull());

        fixture.settings.setPresentationMode(true);
        fixture.settings.setQuietMode(true);
        fixture.wisp->setPinnedOpen(true);
        QCoreApplication::processEvents();
        QVERIFY(titled("Presentation mode")->isChecked());
        QVERIFY(titled("Quiet on"));
        QAction* unpin = titled("Unpin panel");
        QVERIFY(unpin);
        // A change the menu does not show leaves its items as they are.
        fixture.wisp->blink();
        QCoreApplication::processEvents();
        QCOMPARE(titled("Unpin panel"), unpin);
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestTrayIcon)
#include "tst_trayicon.moc"
