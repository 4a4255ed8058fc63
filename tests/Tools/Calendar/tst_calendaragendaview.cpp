#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Tools/Calendar/CalendarAgendaView.h"
#include "Wisplet/Tools/Calendar/EventRow.h"
#include "Wisplet/Tools/Calendar/NextEventCard.h"
#include "tests/support/CalendarFixture.h"
#include "tests/support/WidgetQuery.h"
#include "tests/support/WidgetsTestMain.h"

#include <QLabel>

namespace {

const QDateTime now(QDate(2026, 3, 1), QTime(9, 30), Qt::UTC);

CalendarEvent at(const QString& title, qint64 inSeconds, const QString& id, const QString& location = {})
{
    CalendarEvent event = timedEvent(now, title, inSeconds, 1800, id);
    event.location = location;
    return event;
}

CalendarEvent allDay(const QString& title)
{
    CalendarEvent event = timedEvent(now, title, -3600, 86'400, title);
    event.allDay = true;
    return event;
}

} // namespace

struct FaceRow
{
    QString path; // empty: nothing chosen
    bool readable;
    QList<CalendarEvent> events;
    QStringList shown; // label texts that must be there
    QStringList buttons;
    int cards;
    int rows;
};
Q_DECLARE_METATYPE(FaceRow)

class TestCalendarAgendaView final : public QObject
{
    Q_OBJECT

private slots:
    void showsTheRightFace_data()
    {
        QTest::addColumn<FaceRow>("row");
        QTest::newRow("nothing chosen") << FaceRow{
            {}, true, {}, {"Wisp can show your next meeting and a one-click join button."}, {"Allow Calendar access"},
            0,  0};
        QTest::newRow("unreadable") << FaceRow{
            "/gone",
            false,
            {},
            {"Calendar file can't be read. Check that it still exists and is readable."},
            {"Allow Calendar access"},
            0,
            0};
        QTest::newRow("empty week") << FaceRow{"/cal", true, {}, {"No events in the next seven days"}, {}, 0, 0};
        QTest::newRow("only all-day events")
            << FaceRow{"/cal", true, {allDay("Trip"), allDay("Holiday")}, {"All day", "Trip", "Holiday"}, {}, 0, 2};
        QTest::newRow("running now, nothing later")
            << FaceRow{"/cal", true, {at("Review", -600, "r")}, {"Now: Review", "Review"}, {}, 0, 1};
        QTest::newRow("daily meeting: tomorrow on the card, no other occurrence listed")
            << FaceRow{"/cal",
                       true,
                       {allDay("Trip"), at("Daily", 86'400, "daily"), at("Daily", 2 * 86'400, "daily")},
                       {"Daily", "Trip"},
                       {},
                       1,
                       1};
        QTest::newRow("zoom location: join and no location line")
            << FaceRow{"/cal", true, {at("Sync", 600, "s", "https://zoom.us/j/42")}, {"Sync"}, {"Join"}, 1, 0};
        QTest::newRow("a room: its name and no join")
            << FaceRow{"/cal", true, {at("Sync", 600, "s", "Room 4")}, {"Sync", "Room 4"}, {}, 1, 0};
    }

    void showsTheRightFace()
    {
        QFETCH(FaceRow, row);
        CalendarFixture f(now);
        f.defaults.set(CalendarTool::sourceKey, row.path);
        f.source.setPath(row.path);
        f.source.readable = row.readable;
        f.source.stored = row.events;
        f.tool->start();
        CalendarAgendaView view(*f.tool, *f.wisp);
        view.resize(560, 300);
        view.show();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const QStringList labels = shownTexts<QLabel>(view);
        for (const QString& text : row.shown)
            QVERIFY2(labels.contains(text), qPrintable(labels.join(" | ")));
        QVERIFY(!labels.contains("https://zoom.us/j/42"));
        QCOMPARE(shownTexts<PillButton>(view), row.buttons);
        QCOMPARE(view.findChildren<NextEventCard*>().size(), row.cards);
        QCOMPARE(view.findChildren<EventRow*>().size(), row.rows);
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestCalendarAgendaView)
#include "tst_calendaragendaview.moc"
