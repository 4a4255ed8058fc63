#include "Wisplet/Tools/Calendar/CalendarView.h"
#include "Wisplet/Tools/Calendar/RemindersView.h"
#include "tests/support/CalendarFixture.h"
#include "tests/support/WidgetQuery.h"
#include "tests/support/WidgetsTestMain.h"

#include <QLabel>
#include <QLineEdit>
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
    return texts;
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
        QTRY_VERIFY(visibleTexts(view).contains("Complete Buy milk"));
        QVERIFY(visibleTexts(view).contains("Refresh reminders"));
        QVERIFY(!visibleTexts(view).contains("Allow Reminders access"));
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
        QCOMPARE(field->text(), row.left);
        QCOMPARE(visibleTexts(view).contains(f.reminders->message()), !f.reminders->message().isEmpty());
    }

    void rowsCompleteAndTheEmptyTextFollows()
    {
        Fixture f;
        RemindersView view(*f.reminders, *f.wisp);
        view.show();
        f.remindersSource.finishLast({reminderTitled(""), reminderTitled("Call Ana", now.addDays(1))});
        QTRY_VERIFY(visibleTexts(view).contains("Complete "));
        QVERIFY(!visibleTexts(view).contains("No incomplete reminders"));

        childWhere<QToolButton>(view, [](const QToolButton* button) {
            return button->accessibleName() == "Complete Call Ana";
        })->click();
        f.remindersSource.finishLast({});
        QTRY_VERIFY(visibleTexts(view).contains("No incomplete reminders"));
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestRemindersView)
#include "tst_remindersview.moc"
