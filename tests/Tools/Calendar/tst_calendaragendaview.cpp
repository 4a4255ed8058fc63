#include "Wisplet/Base/ElidingLabel.h"
#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Tools/Calendar/CalendarAgendaView.h"
#include "Wisplet/Tools/Calendar/EventListModel.h"
#include "Wisplet/Tools/Calendar/EventRow.h"
#include "Wisplet/Tools/Calendar/NextEventCard.h"
#include "tests/support/CalendarFixture.h"
#include "tests/support/WidgetQuery.h"
#include "tests/support/WidgetsTestMain.h"

#include <QLabel>
#include <QListView>

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

// What the page shows: its labels and the texts of the list's rows.
QStringList pageTexts(const CalendarAgendaView& view)
{
    QStringList texts = shownTexts<QLabel>(view);
    if (view.list()->isVisibleTo(&view)) {
        for (int row = 0; row < view.listModel()->rowCount(); ++row) {
            const QModelIndex index = view.listModel()->index(row);
            texts << index.data(EventListModel::startRole).toString() << index.data().toString();
        }
    }
    return texts;
}

QList<CalendarEvent> hourly(int count)
{
    QList<CalendarEvent> events;
    events.reserve(count);
    for (int i = 0; i < count; ++i)
        events.append(at(QStringLiteral("Event %1").arg(i), 600 + i * 60, QString::number(i)));
    return events;
}

// The fixture's tool running over these events, its page shown.
struct Shown
{
    explicit Shown(const QList<CalendarEvent>& events, const QSize& size = {560, 300})
        : f(now)
    {
        f.source.setPath("/cal");
        f.source.stored = events;
        f.tool->start();
        view = std::make_unique<CalendarAgendaView>(*f.tool, *f.wisp);
        view->resize(size);
        view->show();
        QCoreApplication::processEvents();
    }

    CalendarFixture f;
    std::unique_ptr<CalendarAgendaView> view;
};

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
        QTest::newRow("running now, nothing later") << FaceRow{
            "/cal", true, {at("Review", -600, "r")}, {QStringLiteral(u"Now: \u2068Review\u2069"), "Review"}, {}, 0, 1};
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

    // Until the first reading ends the page says it is reading, not that the week is empty.
    void saysItIsReadingUntilTheFirstReadingEnds()
    {
        CalendarFixture f(now);
        f.source.setPath("/cal");
        f.source.holding = true;
        f.tool->start();
        CalendarAgendaView view(*f.tool, *f.wisp);
        view.show();
        QVERIFY2(pageTexts(view).contains("Reading the calendar…"), qPrintable(pageTexts(view).join(" | ")));
        QVERIFY(!pageTexts(view).contains("No events in the next seven days"));
        f.source.finishOldest();
        QTRY_VERIFY(pageTexts(view).contains("No events in the next seven days"));
        QVERIFY(!pageTexts(view).contains("Reading the calendar…"));
        // Later readings find it as it was: nothing is said while they run.
        f.tool->refresh();
        QVERIFY(pageTexts(view).contains("No events in the next seven days"));
        f.source.finishOldest();
    }

    // A reading with no change of events still moves the countdown and brings the store's words.
    void everyReadingReachesThePage()
    {
        Shown s({at("Sync", 600, "s")});
        QVERIFY(pageTexts(*s.view).join(" | ").contains("in 10 min"));
        s.f.clock.setNow(now.addSecs(60));
        s.f.tool->tick();
        QCoreApplication::processEvents();
        QVERIFY(pageTexts(*s.view).join(" | ").contains("in 9 min"));
        s.f.source.message = "Some events are left out.";
        s.f.tool->tick();
        QCoreApplication::processEvents();
        QVERIFY(pageTexts(*s.view).contains(s.f.source.message));
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
        const QStringList labels = pageTexts(view);
        for (const QString& text : row.shown)
            QVERIFY2(labels.contains(text), qPrintable(labels.join(" | ")));
        QVERIFY(!labels.contains("https://zoom.us/j/42"));
        QCOMPARE(shownTexts<PillButton>(view), row.buttons);
        QCOMPARE(shownTexts<NextEventCard>(view).size(), row.cards);
        QCOMPARE(view.list()->isVisibleTo(&view) ? view.listModel()->rowCount() : 0, row.rows);
    }

    void rowsFollowChangesInPlace_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("first gone") << QStringList{"a", "b", "c"} << QStringList{"b", "c"};
        QTest::newRow("one in the middle") << QStringList{"a", "c"} << QStringList{"a", "b", "c"};
        QTest::newRow("one renamed") << QStringList{"a", "b", "c"} << QStringList{"a", "B", "c"};
        QTest::newRow("two renamed, one more") << QStringList{"a", "b", "c"} << QStringList{"x", "y", "z", "c"};
        QTest::newRow("a repeat taken away") << QStringList{"a", "a", "a"} << QStringList{"a", "a"};
    }

    void rowsFollowChangesInPlace()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        const auto events = [](const QStringList& titles) {
            QList<CalendarEvent> list;
            for (const QString& title : titles)
                list.append(at(title, 600, title));
            return list;
        };
        EventListModel model;
        model.setValues(events(before));
        // Replays every change signal on a copy of the titles: it must end as the model does.
        QStringList mirror = before;
        connect(&model, &QAbstractItemModel::rowsInserted, this, [&](const QModelIndex&, int first, int last) {
            for (int row = first; row <= last; ++row)
                mirror.insert(row, model.index(row).data().toString());
        });
        connect(&model, &QAbstractItemModel::rowsRemoved, this,
                [&](const QModelIndex&, int first, int last) { mirror.remove(first, last - first + 1); });
        connect(&model, &QAbstractItemModel::dataChanged, this, [&](const QModelIndex& first, const QModelIndex& last) {
            for (int row = first.row(); row <= last.row(); ++row)
                mirror[row] = model.index(row).data().toString();
        });
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        model.setValues(events(after));
        QCOMPARE(mirror, after);
        QCOMPARE(textsOf(model.values(), &CalendarEvent::title), after);
        QCOMPARE(resets.size(), 0);
    }

    void aHugeWeekMakesNoWidgetPerEvent()
    {
        Shown few(hourly(3));
        Shown many(hourly(60'000));
        QCOMPARE(many.view->listModel()->rowCount(), 59'999);
        QCOMPARE(many.view->findChildren<QWidget*>().size(), few.view->findChildren<QWidget*>().size());
    }

    void rowsEndInAnEllipsisWhenCut_data()
    {
        // Widths from the narrowest row that shows the title whole without a link.
        QTest::addColumn<int>("extra");
        QTest::addColumn<bool>("link");
        QTest::addColumn<bool>("cut");
        QTest::newRow("a point too narrow") << -1 << false << true;
        QTest::newRow("the video symbol takes the title's room") << 0 << true << true;
        QTest::newRow("the video symbol beside the whole title") << 40 << true << false;
    }

    void rowsEndInAnEllipsisWhenCut()
    {
        QFETCH(int, extra);
        QFETCH(bool, link);
        QFETCH(bool, cut);
        const QString title = "Quarterly planning with finance";
        const QString start = "Mar 6, 2026, 3:00 PM";
        const QFont font = EventRow::rowFont(QFont());
        const int column = EventRow::timeColumnWidth(font, QLocale(QLocale::English, QLocale::UnitedStates));
        const auto parts = [&](int width, bool withLink) {
            return EventRow::layout(QRect(0, 0, width, EventRow::rowHeight), start, title, withLink, font, column);
        };
        int fits = 100;
        while (parts(fits, false).titleText != title)
            ++fits;
        const QRect row(0, 0, fits + extra, EventRow::rowHeight);
        const EventRow::Parts shown = parts(row.width(), link);
        QCOMPARE(shown.titleText.endsWith(u'…'), cut);
        QCOMPARE(shown.titleText == title, !cut);
        QCOMPARE(shown.timeText, start);
        QVERIFY(row.contains(shown.title));
        QCOMPARE(shown.video.isEmpty(), !link);
        QVERIFY(row.contains(shown.video) || !link);
        QVERIFY(!shown.video.intersects(shown.title));
    }

    void rowsFollowTheListsWidth()
    {
        Shown s(hourly(5));
        for (const int width : {300, 700}) {
            s.view->resize(width, 300);
            QTRY_COMPARE(s.view->list()->visualRect(s.view->listModel()->index(0)).width(),
                         s.view->list()->viewport()->width());
        }
    }

    void theCardsLinesEndInAnEllipsisWhenCut()
    {
        Shown s({at("A meeting whose title runs on past the edge", 600, "long", "Room 4 at the far end of the hall")},
                {220, 300});
        const QStringList shown = shownTexts<ElidingLabel>(*s.view);
        QCOMPARE(shown.size(), 3); // title, start and room
        QVERIFY2(std::all_of(shown.begin(), shown.end(), [](const QString& text) { return text.endsWith(u'…'); }),
                 qPrintable(shown.join(" | ")));
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestCalendarAgendaView)
#include "tst_calendaragendaview.moc"
