#include "Wisplet/Platform/Calendar/ICalendarReminders.h"
#include "tests/support/CalendarFixture.h"
#include "tests/support/Files.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

namespace {

const QDateTime now(QDate(2030, 3, 2), QTime(8, 0), Qt::UTC);

} // namespace

struct SortRow
{
    QList<Reminder> fetched;
    QStringList sorted;
};
Q_DECLARE_METATYPE(SortRow)

struct KeptRow
{
    bool completing;
    bool retryable;
    bool kept;
};
Q_DECLARE_METATYPE(KeptRow)

struct RefreshRow
{
    bool usable;
    bool calendarOn;
    bool presenting;
    bool fetches;
};
Q_DECLARE_METATYPE(RefreshRow)

class TestReminderStore final : public QObject
{
    Q_OBJECT

    struct Fixture : CalendarFixture
    {
        Fixture()
            : CalendarFixture(now)
        {
            registry->setEnabled(ToolID::calendar, true);
            defaults.set(ReminderStore::folderKey, QStringLiteral("/reminders"));
        }
    };

    // "Call Ana" added on a full disk, and kept.
    static bool failAnAdd(Fixture& f)
    {
        f.remindersSource.writeError = "disk full";
        f.reminders->refreshReminders();
        return f.reminders->addReminder("Call Ana")
            && QTest::qWaitFor([&f] { return f.reminders->message() == "disk full"; });
    }

    // The store over a real folder of files.
    struct FilesFixture : CalendarFixture
    {
        FilesFixture()
            : CalendarFixture(now)
        {
            registry->setEnabled(ToolID::calendar, true);
            store =
                std::make_unique<ReminderStore>(ReminderStore::Services{defaults, clock, files, settings, *registry});
            store->requestRemindersAccess(dir.path());
        }

        QTemporaryDir dir;
        ICalendarReminders files{{.program = WISPLET_READER}};
        std::unique_ptr<ReminderStore> store;
    };

private slots:
    void sortsByDueWithUndatedLast_data()
    {
        QTest::addColumn<SortRow>("row");
        const QDateTime today = now.addSecs(3600);
        const QDateTime tomorrow = now.addDays(1);
        QTest::newRow("tomorrow, today, never") << SortRow{
            {reminderTitled("tomorrow", tomorrow), reminderTitled("today", today), reminderTitled("never", {})},
            {"today", "tomorrow", "never"}};
        QTest::newRow("undated keep fetch order")
            << SortRow{{reminderTitled("b", {}), reminderTitled("a", {}), reminderTitled("c", today)}, {"c", "b", "a"}};
        QTest::newRow("equal dues keep fetch order") << SortRow{
            {reminderTitled("y", today), reminderTitled("x", today), reminderTitled("w", now)}, {"w", "y", "x"}};
    }

    void sortsByDueWithUndatedLast()
    {
        QFETCH(SortRow, row);
        QCOMPARE(reminderTitles(ReminderStore::sortedByDue(row.fetched)), row.sorted);
    }

    void refreshFetchesOnlyWhenItMay_data()
    {
        QTest::addColumn<RefreshRow>("row");
        QTest::newRow("all set") << RefreshRow{true, true, false, true};
        QTest::newRow("folder unusable") << RefreshRow{false, true, false, false};
        QTest::newRow("calendar tool off") << RefreshRow{true, false, false, false};
        QTest::newRow("presentation mode") << RefreshRow{true, true, true, false};
    }

    void refreshFetchesOnlyWhenItMay()
    {
        QFETCH(RefreshRow, row);
        Fixture f;
        f.remindersSource.usable = row.usable;
        f.registry->setEnabled(ToolID::calendar, row.calendarOn);
        f.settings.setPresentationMode(row.presenting);
        f.reminders->refreshReminders();
        QCOMPARE(f.reminders->allowed(), row.usable);
        QCOMPARE(f.remindersSource.fetches.size(), row.fetches ? 1 : 0);
    }

    void onlyTheLatestFetchIsApplied()
    {
        Fixture f;
        f.reminders->refreshReminders();
        f.reminders->refreshReminders();
        f.remindersSource.finish(1, {reminderTitled("second", {})});
        f.remindersSource.finish(0, {reminderTitled("first", {})});
        QTRY_COMPARE(reminderTitles(f.reminders->items()), QStringList{"second"});
        QCoreApplication::processEvents();
        QCOMPARE(reminderTitles(f.reminders->items()), QStringList{"second"});
    }

    void stopOfTheCalendarDropsAFetchInFlight()
    {
        Fixture f;
        f.reminders->setItems({reminderTitled("old", {})});
        f.reminders->refreshReminders();
        f.tool->stop();
        f.remindersSource.finish(0, {reminderTitled("late", {})});
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QVERIFY(f.reminders->items().isEmpty());
    }

    void anUnchangedListIsNotSignalled()
    {
        Fixture f;
        f.reminders->refreshReminders();
        f.remindersSource.finishLast({reminderTitled("a")});
        QTRY_COMPARE(f.reminders->items().size(), 1);
        QSignalSpy items(f.reminders.get(), &ReminderStore::itemsChanged);
        QSignalSpy changed(f.reminders.get(), &ReminderStore::changed);
        f.reminders->refreshReminders();
        f.remindersSource.finishLast({reminderTitled("a")});
        QTRY_VERIFY(f.remindersSource.fetches.last()->future().isFinished());
        QCoreApplication::processEvents();
        QCOMPARE(items.size(), 0);
        QCOMPARE(changed.size(), 0);
    }

    // The folder's own word replaces its older one, never the failure of the user's last action.
    void saysWhatTheFolderSaysWithoutHidingAFailedAdd()
    {
        Fixture f;
        f.remindersSource.usable = false;
        f.reminders->refreshReminders();
        QCOMPARE(f.reminders->message(), "gone");
        f.remindersSource.usable = true;
        f.reminders->refreshReminders();
        QCOMPARE(f.reminders->message(), QString());
        f.remindersSource.finishLast({}, "Skipped b.ics: not a regular file.");
        QTRY_COMPARE(f.reminders->message(), "Skipped b.ics: not a regular file.");
        f.remindersSource.writeError = "disk full";
        f.reminders->addReminder("Buy milk");
        QTRY_COMPARE(f.reminders->message(), "disk full");
        f.reminders->refreshReminders();
        f.remindersSource.finishLast({});
        QTRY_VERIFY(f.remindersSource.fetches.last()->future().isFinished());
        QCoreApplication::processEvents();
        QCOMPARE(f.reminders->message(), "disk full");
    }

    // A change is kept, in the defaults too, until it is written: one that failed is tried again at quit,
    // which asks about it while it still fails; one that no second try can mend is not kept.
    void aFailedWriteIsKeptUntilItIsWritten_data()
    {
        QTest::addColumn<KeptRow>("row");
        QTest::newRow("an add") << KeptRow{false, true, true};
        QTest::newRow("a completion") << KeptRow{true, true, true};
        QTest::newRow("a completion of a removed to-do") << KeptRow{true, false, false};
    }

    void aFailedWriteIsKeptUntilItIsWritten()
    {
        QFETCH(KeptRow, row);
        Fixture f;
        f.remindersSource.writeError = "disk full";
        f.remindersSource.retryable = row.retryable;
        f.reminders->refreshReminders();
        if (row.completing)
            f.reminders->completeReminder(reminderTitled("a"));
        else
            QVERIFY(f.reminders->addReminder("a"));
        // From the moment it is tried: a kill or a quit may cut it short.
        QVERIFY(f.defaults.contains(ReminderStore::unwrittenKey));
        QTRY_COMPARE(f.reminders->message(), "disk full");
        QCOMPARE(f.defaults.contains(ReminderStore::unwrittenKey), row.kept);
        QCOMPARE(f.reminders->finishWrites(QDeadlineTimer::Forever), !row.kept);

        f.remindersSource.writeError.clear();
        QVERIFY(f.reminders->finishWrites(QDeadlineTimer::Forever));
        QVERIFY(f.reminders->unwritten().isEmpty());
        QVERIFY(!f.defaults.contains(ReminderStore::unwrittenKey));
        QCOMPARE(f.remindersSource.added.size() + f.remindersSource.completed.size(), row.kept ? 3 : 1);
    }

    // What the last run left unwritten stays kept through a start whose try fails too, until one writes it.
    void aWriteLeftUnwrittenIsTriedAtEachStartUntilItLands()
    {
        Fixture f;
        QVERIFY(failAnAdd(f));

        const ReminderStore::Services services{f.defaults, f.clock, f.remindersSource, f.settings, *f.registry};
        ReminderStore failing(services);
        // Kept while it is tried, so a kill meanwhile loses nothing.
        QVERIFY(f.defaults.contains(ReminderStore::unwrittenKey));
        QTRY_COMPARE(failing.message(), "disk full");
        QCOMPARE(failing.unwritten().size(), 1);
        QVERIFY(f.defaults.contains(ReminderStore::unwrittenKey));

        f.remindersSource.writeError.clear();
        ReminderStore landing(services);
        QTRY_VERIFY(landing.unwritten().isEmpty());
        QVERIFY(!f.defaults.contains(ReminderStore::unwrittenKey));
        QCOMPARE(f.remindersSource.addedUids.size(), 3);
        QCOMPARE(f.remindersSource.addedUids.count(f.remindersSource.addedUids.first()), 3);
    }

    // The view gives a failed add's text back; sent again, it is the same reminder, never a second one.
    void aFailedAddSentAgainIsTheSameReminder()
    {
        Fixture f;
        QVERIFY(failAnAdd(f));
        f.remindersSource.writeError.clear();
        QVERIFY(f.reminders->addReminder(" Call Ana "));
        QTRY_VERIFY(f.reminders->unwritten().isEmpty());
        QCOMPARE(f.remindersSource.addedUids.size(), 2);
        QCOMPARE(f.remindersSource.addedUids.first(), f.remindersSource.addedUids.last());
        QVERIFY(f.reminders->finishWrites(QDeadlineTimer::Forever));
        QCOMPARE(f.remindersSource.added.size(), 2);
    }

    void aGoneFolderIsSaid()
    {
        FilesFixture f;
        QVERIFY(f.dir.remove());
        f.store->refreshReminders();
        QCOMPARE(f.store->message(), "Can't use the reminders folder: it is gone.");
        QVERIFY(!f.store->allowed());
    }

    void blankTitleOrNoAccessAsksForAListAndAddsNothing()
    {
        Fixture f;
        f.reminders->addReminder(" \n\t ");
        const QString blank = f.reminders->message();
        QVERIFY(!blank.isEmpty());
        f.remindersSource.usable = false;
        f.reminders->refreshReminders();
        f.reminders->addReminder("Buy milk");
        QCOMPARE(f.reminders->message(), blank);
        QVERIFY(f.remindersSource.added.isEmpty());
    }

    void failedAccessKeepsAllowedAndSaysWhy()
    {
        Fixture f;
        f.reminders->refreshReminders();
        QVERIFY(f.reminders->allowed());
        f.remindersSource.prepareError = "no";
        f.reminders->requestRemindersAccess("/elsewhere");
        QCOMPARE(f.reminders->message(), QString("no"));
        QVERIFY(f.reminders->allowed());
        QCOMPARE(f.reminders->folder(), QString("/reminders"));
    }

    // Parsing and rewriting a list of tens of thousands of to-dos takes seconds; the main loop turns on meanwhile.
    void completingInAHugeListNeverBlocks()
    {
        QByteArray todos;
        for (int i = 0; todos.size() < 8 * 1024 * 1024; ++i)
            todos += "BEGIN:VTODO\r\nUID:todo-" + QByteArray::number(i) + "\r\nSUMMARY:Task " + QByteArray::number(i)
                + "\r\nDUE:20300302T100000Z\r\nEND:VTODO\r\n";
        CalendarFixture f(now);
        f.registry->setEnabled(ToolID::calendar, true);
        QTemporaryDir dir;
        QVERIFY(TestFiles::write(dir.filePath("list.ics"),
                                 "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" + todos + "END:VCALENDAR\r\n"));
        // Time enough for the sanitizers' build to finish the work.
        ICalendarReminders files{{.program = WISPLET_READER, .fileMs = 60'000}};
        ReminderStore store({f.defaults, f.clock, files, f.settings, *f.registry});
        f.defaults.set(ReminderStore::folderKey, dir.path());

        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        QTimer ticks;
        QObject::connect(&ticks, &QTimer::timeout, [&] { longestGap = qMax(longestGap, sinceTick.restart()); });
        ticks.start(20);
        sinceTick.start();
        store.completeReminder(Reminder{"list.ics", "todo-7", {}, "Task 7", {}, false});
        QTRY_VERIFY_WITH_TIMEOUT(TestFiles::read(dir.filePath("list.ics")).contains("STATUS:COMPLETED"), 60'000);
        longestGap = qMax(longestGap, sinceTick.elapsed());
        QVERIFY2(longestGap < 500, qPrintable(QString::number(longestGap)));
        QCOMPARE(store.message(), QString());
    }

    // An add still being written when the program quits: quitting waits no longer than its deadline,
    // nothing of the stopped write is left in the folder, and the next start writes it.
    void anAddStoppedAtQuitIsWrittenAtTheNextStart()
    {
        FilesFixture f;
        qputenv("WISPLET_TEST_HOLD_BEFORE_WRITE_MS", "20000");
        QVERIFY(f.store->addReminder("Call Ana"));
        QElapsedTimer quitting;
        quitting.start();
        QVERIFY(!f.store->finishWrites(QDeadlineTimer(500)));
        qunsetenv("WISPLET_TEST_HOLD_BEFORE_WRITE_MS");
        QCOMPARE_LT(quitting.elapsed(), 1'500);
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());

        ICalendarReminders files{{.program = WISPLET_READER}};
        ReminderStore next({f.defaults, f.clock, files, f.settings, *f.registry});
        QTRY_COMPARE_WITH_TIMEOUT(reminderTitles(next.items()), QStringList{"Call Ana"}, 30'000);
        QCOMPARE(next.message(), QString());
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
        QVERIFY(!f.defaults.contains(ReminderStore::unwrittenKey));
    }

    void failedCompletionKeepsTheReminderAndSaysWhy()
    {
        FilesFixture f;
        const QByteArray list = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VTODO\r\nUID:ana\r\nSUMMARY:Call Ana\r\n"
                                "END:VTODO\r\nEND:VCALENDAR\r\n";
        QVERIFY(TestFiles::write(f.dir.filePath("ana.ics"), list));
        f.store->refreshReminders();
        QTRY_COMPARE(f.store->items().size(), 1);
        const Reminder reminder = f.store->items().first();
        // A folder where the file must go: it can be neither read nor replaced.
        QVERIFY(QFile::remove(f.dir.filePath(reminder.file)));
        QVERIFY(QDir(f.dir.path()).mkdir(reminder.file));

        f.store->completeReminder(reminder);
        QTRY_VERIFY(!f.store->message().isEmpty());
        QCOMPARE(f.store->items(), QList<Reminder>{reminder});
        QVERIFY(QFileInfo(f.dir.filePath(reminder.file)).isDir());

        // Quitting tries it again, and says so while it still fails; once it can be, it is written there.
        QVERIFY(!f.store->finishWrites(QDeadlineTimer::Forever));
        QVERIFY(QDir(f.dir.path()).rmdir(reminder.file));
        QVERIFY(TestFiles::write(f.dir.filePath(reminder.file), list));
        QVERIFY(f.store->finishWrites(QDeadlineTimer::Forever));
        QVERIFY(TestFiles::read(f.dir.filePath(reminder.file)).contains("STATUS:COMPLETED"));
    }
};

WISPLET_TEST_MAIN(TestReminderStore)
#include "tst_reminderstore.moc"
