#include "Wisplet/Tools/Calendar/CalendarAgendaView.h"
#include "Wisplet/Tools/Calendar/CalendarView.h"
#include "Wisplet/Tools/Calendar/EventListModel.h"
#include "tests/support/CalendarFixture.h"
#include "tests/support/WidgetsTestMain.h"
#include "tests/support/XTools.h"

#include <QListView>
#include <QScrollBar>

using XTools::timeoutMs;

// The calendar page in a real window on the X server, scrolled with the wheel as a person scrolls it.
class TestAgendaScroll final : public QObject
{
    Q_OBJECT

private slots:
    void aRefreshLeavesTheListWhereTheWheelPutIt()
    {
        const QDateTime now(QDate(2026, 3, 1), QTime(9, 30), Qt::UTC);
        CalendarFixture f(now);
        f.source.setPath("/calendar");
        for (int i = 0; i < 300; ++i)
            f.source.stored.append(
                timedEvent(now, QStringLiteral("Event %1").arg(i), 600 + i * 600, 1800, QString::number(i)));
        f.tool->start();
        CalendarView page(*f.tool, *f.reminders, *f.wisp);
        page.resize(560, 320);
        page.show();
        QTRY_VERIFY_WITH_TIMEOUT(page.windowHandle() && page.windowHandle()->isExposed(), timeoutMs);
        auto* agenda = page.findChild<CalendarAgendaView*>();
        QListView* list = agenda->list();
        QScrollBar* bar = list->verticalScrollBar();

        // Where the X server has the window: Qt's idea of it can lag behind the window manager's move.
        QTRY_VERIFY_WITH_TIMEOUT(!XTools::frameOf(quint32(page.winId())).isEmpty(), timeoutMs);
        const QPoint centre =
            XTools::frameOf(quint32(page.winId())).topLeft() + list->mapTo(&page, list->rect().center());
        QVERIFY(XTools::xdotool({"mousemove", QString::number(centre.x()), QString::number(centre.y())}));
        QTRY_VERIFY_WITH_TIMEOUT(list->viewport()->underMouse(), timeoutMs);
        for (int turn = 1; turn <= 3; ++turn) {
            const int before = bar->value();
            QVERIFY(XTools::xdotool({"click", "5"}));
            QTRY_VERIFY_WITH_TIMEOUT(bar->value() > before, timeoutMs);
        }
        const int scrolled = bar->value();
        QSignalSpy resets(agenda->listModel(), &QAbstractItemModel::modelReset);

        // A minute on, the refresh finds one more event at the end of the week.
        f.clock.setNow(now.addSecs(60));
        f.source.stored.append(timedEvent(now, "Late", 6 * 86'400, 1800, "late"));
        f.tool->tick();
        QCoreApplication::processEvents();
        QCOMPARE(agenda->listModel()->rowCount(), 300);
        QCOMPARE(bar->value(), scrolled);
        QCOMPARE(resets.size(), 0);
        QVERIFY(list->viewport()->underMouse());
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestAgendaScroll)
#include "tst_agendascroll.moc"
