#include "Wisplet/App/TrayIcon.h"
#include "Wisplet/App/TrayMenu.h"
#include "Wisplet/Base/QuietControls.h"
#include "tests/support/Fixtures.h"
#include "tests/support/WidgetsTestMain.h"

#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

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

    // The tray host reports a left click as a trigger: it shows the menu a right click shows.
    void aLeftClickShowsTheMenu()
    {
        CompanionFixture fixture;
        QuietControls quiet(fixture.settings, fixture.clock);
        TrayMenu model(*fixture.wisp, fixture.settings, quiet, {});
        TrayIcon tray(model);
        tray.show();
        QVERIFY(!tray.menu().isVisible());
        emit tray.trayIcon()->activated(QSystemTrayIcon::Trigger);
        QTRY_VERIFY(tray.menu().isVisible());
        tray.menu().hide();
    }

    void theIconReadsOnLightAndDarkTrays_data()
    {
        QTest::addColumn<QColor>("tray");
        QTest::newRow("light") << QColor(Qt::white);
        QTest::newRow("dark") << QColor(Qt::black);
    }

    // Some of the icon, at a common tray size, stands out from the tray by at least half the range of lightness.
    void theIconReadsOnLightAndDarkTrays()
    {
        QFETCH(QColor, tray);
        CompanionFixture fixture;
        QuietControls quiet(fixture.settings, fixture.clock);
        TrayMenu model(*fixture.wisp, fixture.settings, quiet, {});
        TrayIcon icon(model);
        icon.show();
        QImage shown(22, 22, QImage::Format_RGB32);
        shown.fill(tray);
        QPainter painter(&shown);
        icon.trayIcon()->icon().paint(&painter, shown.rect());
        painter.end();
        int contrasting = 0;
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x)
                contrasting += std::abs(qGray(shown.pixel(x, y)) - tray.lightness()) >= 128 ? 1 : 0;
        }
        QVERIFY2(contrasting >= 22 * 22 / 10, qPrintable(QString::number(contrasting)));
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestTrayIcon)
#include "tst_trayicon.moc"
