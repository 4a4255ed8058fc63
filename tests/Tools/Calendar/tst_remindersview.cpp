#include "Wisplet/Tools/Calendar/CalendarView.h"
#include "Wisplet/Tools/Calendar/ReminderListModel.h"
#include "Wisplet/Tools/Calendar/ReminderRow.h"
#include "Wisplet/Tools/Calendar/RemindersView.h"
#include "tests/support/CalendarFixture.h"
#include "tests/support/FocusMarks.h"
#include "tests/support/WidgetQuery.h"
#include "tests/support/WidgetsTestMain.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QToolButton>

namespace {

const QDateTime now(QDate(2030, 3, 2), QTime(8, 0), Qt::UTC);

QStringList visibleTexts(const QWidget& view)
{
    QStringList texts;
    for (const QLabel* label : view.findChildren<QLabel*>()) {
        if (label->isVisibleTo(&view) && !label->text().isEmpty())
            texts.append(label->text());
    }
    for (const QAbstractButton* button : view.findChildren<QAbstractButton*>()) {
        if (button->isVisibleTo(&view))
            texts.append(button->accessibleName().isEmpty() ? button->text() : button->accessibleName());
    }
    // The rows of the list are painted: their buttons' names come from the model.
    for (const QListView* list : view.findChildren<QListView*>()) {
        const auto* model = qobject_cast<const ReminderListModel*>(list->model());
        for (int row = 0; model && list->isVisibleTo(&view) && row < model->rowCount(); ++row)
            texts.append(model->index(row).data(ReminderListModel::completeLabelRole).toString());
    }
    return texts;
}

// Where the row's circle is on the list's viewport.
QPoint circleOf(const RemindersView& view, int row)
{
    const QRect rect = view.list()->visualRect(view.listModel()->index(row));
    return ReminderRow::layout(rect, view.listModel()->index(row).data().toString(),
                               view.listModel()->index(row).data(ReminderListModel::dueRole).toString(),
                               view.list()->font())
        .button.center();
}

} // namespace

struct AddRow
{
    QString typed;
    QString writeError;
    QString left; // the field afterwards
};
Q_DECLARE_METATYPE(AddRow)

class TestRemindersView final : public QObject
{
    Q_OBJECT

    struct Fixture : CalendarFixture
    {
        Fixture()
            : CalendarFixture(now)
        {
            registry->setEnabled(ToolID::calendar, true);
            defaults.set(ReminderStore::folderKey, QStringLiteral("/reminders"));
            reminders->refreshReminders();
        }
    };

private slots:
    void pickerOpensOnTheAgendaAndShowsReminders()
    {
        Fixture f;
        f.remindersSource.usable = false;
        CalendarView view(*f.tool, *f.reminders, *f.wisp);
        view.show();
        QVERIFY(!view.showsReminders());
        childWithText<QPushButton>(view, "Reminders")->click();
        QVERIFY(view.showsReminders());
        QVERIFY(visibleTexts(view).contains("Allow Reminders access"));
        QVERIFY(!visibleTexts(view).contains("Refresh reminders"));

        // Access given: the header shows and the list fills.
        f.remindersSource.usable = true;
        f.reminders->requestRemindersAccess("/reminders");
        f.remindersSource.finishLast({reminderTitled("Buy milk")});
        QTRY_VERIFY(visibleTexts(view).contains(QStringLiteral(u"Complete \u2068Buy milk\u2069")));
        QVERIFY(visibleTexts(view).contains("Refresh reminders"));
        QVERIFY(!visibleTexts(view).contains("Allow Reminders access"));
    }

    // The switch, the new reminder's Add and the list's current row: each stop shows where the keyboard is.
    void everyStopShowsTheKeyboard()
    {
        Fixture f;
        f.remindersSource.finishLast({reminderTitled("Buy milk"), reminderTitled("Call Sam")});
        CalendarView view(*f.tool, *f.reminders, *f.wisp);
        FocusMarks::darken(view);
        view.resize(440, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        view.setShowsReminders(true);
        auto* title = view.findChild<QLineEdit*>();
        title->setFocus();
        QTest::keyClicks(title, "Water the plants");
        QCOMPARE(FocusMarks::stopsWithoutMark(view), QString());
    }

    // Until the first fetch ends the list says it is reading, not that there is nothing to do.
    void saysItIsReadingUntilTheFirstFetchEnds()
    {
        Fixture f;
        RemindersView view(*f.reminders, *f.wisp);
        view.show();
        QVERIFY2(visibleTexts(view).contains("Reading the reminders…"), qPrintable(visibleTexts(view).join(" | ")));
        QVERIFY(!visibleTexts(view).contains("No incomplete reminders"));
        // Shown, the page asked for a fresh fetch: the one it shows is the last.
        f.remindersSource.finishLast({});
        QTRY_VERIFY(visibleTexts(view).contains("No incomplete reminders"));
        QVERIFY(!visibleTexts(view).contains("Reading the reminders…"));
    }

    void addKeepsTheTextOnlyWhenItFails_data()
    {
        QTest::addColumn<AddRow>("row");
        QTest::newRow("added") << AddRow{"Buy milk", {}, {}};
        QTest::newRow("write fails") << AddRow{"Buy milk", "disk full", "Buy milk"};
        QTest::newRow("blank") << AddRow{"   ", {}, "   "};
    }

    void addKeepsTheTextOnlyWhenItFails()
    {
        QFETCH(AddRow, row);
        Fixture f;
        f.remindersSource.writeError = row.writeError;
        RemindersView view(*f.reminders, *f.wisp);
        view.show();
        auto* field = view.findChild<QLineEdit*>();
        QTest::keyClicks(field, row.typed);
        QTest::keyClick(field, Qt::Key_Return);
        // A write that fails gives the text back once it comes back.
        QTRY_COMPARE(field->text(), row.left);
        QCOMPARE(visibleTexts(view).contains(f.reminders->message()), !f.reminders->message().isEmpty());
    }

    void rowsCompleteAndTheEmptyTextFollows_data()
    {
        QTest::addColumn<bool>("byKey");
        QTest::newRow("a click on the circle") << false;
        QTest::newRow("Space on the row") << true;
    }

    void rowsCompleteAndTheEmptyTextFollows()
    {
        QFETCH(bool, byKey);
        Fixture f;
        RemindersView view(*f.reminders, *f.wisp);
        view.resize(400, 300);
        view.show();
        f.remindersSource.finishLast({reminderTitled(""), reminderTitled("Call Ana", now.addDays(1))});
        QTRY_VERIFY(visibleTexts(view).contains("Complete "));
        QVERIFY(!visibleTexts(view).contains("No incomplete reminders"));

        const qsizetype fetches = f.remindersSource.fetches.size();
        if (byKey) {
            view.list()->setCurrentIndex(view.listModel()->index(1));
            QTest::keyClick(view.list(), Qt::Key_Space);
        } else {
            // Beside the circle: nothing is completed.
            QTest::mouseClick(view.list()->viewport(), Qt::LeftButton, {}, circleOf(view, 1) + QPoint(60, 0));
            QCoreApplication::processEvents();
            QCOMPARE(f.remindersSource.fetches.size(), fetches);
            QTest::mouseClick(view.list()->viewport(), Qt::LeftButton, {}, circleOf(view, 1));
        }
        // Completing refreshes the list once written.
        QTRY_COMPARE(f.remindersSource.fetches.size(), fetches + 1);
        f.remindersSource.finishLast({reminderTitled("")});
        QTRY_COMPARE(view.listModel()->rowCount(), 1);
        view.list()->setCurrentIndex(view.listModel()->index(0));
        QTest::keyClick(view.list(), Qt::Key_Space);
        QTRY_COMPARE(f.remindersSource.fetches.size(), fetches + 2);
        f.remindersSource.finishLast({});
        QTRY_VERIFY(visibleTexts(view).contains("No incomplete reminders"));
    }

    void rowsAreEvenlySpaced()
    {
        Fixture f;
        RemindersView view(*f.reminders, *f.wisp);
        view.resize(300, 400);
        view.show();
        const QString twoLines = "Call Ana about the plan for the garden, the roof and the fence";
        const QString manyLines = twoLines + " " + twoLines + " " + twoLines;
        f.remindersSource.finishLast({reminderTitled("Buy milk", now.addDays(1)), reminderTitled(twoLines),
                                      reminderTitled(""), reminderTitled(manyLines, now.addDays(3)),
                                      reminderTitled("Water plants")});
        QTRY_COMPARE(view.listModel()->rowCount(), 5);
        // Each row's content and then the same spacing, at whatever width the page has; keyed by title.
        const auto rows = [&view] {
            QHash<QString, ReminderRow::Parts> parts;
            int previousBottom = -1;
            for (int row = 0; row < view.listModel()->rowCount(); ++row) {
                const QModelIndex index = view.listModel()->index(row);
                const QRect rect = view.list()->visualRect(index);
                const ReminderRow::Parts shown =
                    ReminderRow::layout(rect, index.data().toString(),
                                        index.data(ReminderListModel::dueRole).toString(), view.list()->font());
                if (row > 0 && rect.top() - previousBottom != ReminderRow::spacing)
                    return QHash<QString, ReminderRow::Parts>();
                previousBottom = rect.top() + shown.height;
                parts.insert(index.data().toString(), shown);
            }
            return parts;
        };
        QTRY_VERIFY(!rows().isEmpty());
        QHash<QString, ReminderRow::Parts> parts = rows();
        // One line, two lines, and never more than two.
        QCOMPARE(parts["Buy milk"].height, parts[""].height);
        QVERIFY(parts[twoLines].height > parts["Buy milk"].height);
        QCOMPARE(parts[manyLines].height, parts[twoLines].height);
        QVERIFY(!parts[manyLines].due.intersects(parts[manyLines].title));

        // Wider, the title that wrapped fits on one line and its row shrinks.
        view.resize(900, 400);
        QTRY_VERIFY(rows().value(twoLines).height == parts["Buy milk"].height);
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestRemindersView)
#include "tst_remindersview.moc"
