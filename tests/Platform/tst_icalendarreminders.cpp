#include "Wisplet/Platform/Calendar/ICalendarReminders.h"
#include "Wisplet/Platform/Calendar/ICalendarTodos.h"
#include "tests/support/CalendarReaders.h"
#include "tests/support/Files.h"
#include "tests/support/HostileCalendars.h"
#include "tests/support/StandIns.h"
#include "tests/support/TestMain.h"
#include "tests/support/Texts.h"
#include "tests/support/TinyDisk.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <thread>
#include <vector>

#include <libical/ical.h>

namespace {

QByteArray calendar(const QByteArray& body)
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n" + body + "END:VCALENDAR\r\n";
}

QByteArray vtodo(const QByteArray& uid, const QByteArray& lines)
{
    return "BEGIN:VTODO\r\nUID:" + uid + "\r\nSUMMARY:" + uid + "\r\n" + lines + "END:VTODO\r\n";
}

QStringList titles(const QList<Reminder>& reminders)
{
    return textsOf(reminders, &Reminder::title);
}

const QDateTime now(QDate(2030, 3, 2), QTime(8, 0), Qt::UTC);

// A second of processor time per file keeps the rows about runaway files short.
const ICalendarReader::Limits reader{.program = WISPLET_READER, .cpuSecondsPerFile = 1};

// The future's result once the reader has given it; the main loop runs meanwhile, as it must.
template <typename T>
T awaited(const QFuture<T>& future)
{
    if (!QTest::qWaitFor([&future] { return future.isFinished(); }, 60'000))
        qFatal("the reader did not answer");
    return future.result();
}

ReminderScan scanOf(const QString& folder, int files = ICalendarReminders::maxFiles,
                    qint64 bytes = ICalendarReminders::maxScanBytes)
{
    ICalendarReminders source(reader, files, bytes);
    return awaited(source.fetch(folder));
}

} // namespace

struct ReadRow
{
    QByteArray lines;
    bool listed;
    QDateTime due;
    bool dueIsDate;
};
Q_DECLARE_METATYPE(ReadRow)

class TestICalendarReminders final : public QObject
{
    Q_OBJECT

private slots:
    void readsIncompleteTodos_data()
    {
        QTest::addColumn<ReadRow>("row");
        const QDateTime noon(QDate(2030, 3, 2), QTime(12, 0), Qt::LocalTime);
        QTest::newRow("no status") << ReadRow{"", true, {}, false};
        QTest::newRow("in process") << ReadRow{"STATUS:IN-PROCESS\r\n", true, {}, false};
        QTest::newRow("completed status") << ReadRow{"STATUS:COMPLETED\r\n", false, {}, false};
        QTest::newRow("cancelled") << ReadRow{"STATUS:CANCELLED\r\n", false, {}, false};
        QTest::newRow("completed time, open status")
            << ReadRow{"STATUS:NEEDS-ACTION\r\nCOMPLETED:20300301T100000Z\r\n", false, {}, false};
        QTest::newRow("due date") << ReadRow{"DUE;VALUE=DATE:20300302\r\n", true,
                                             QDateTime(QDate(2030, 3, 2), QTime(0, 0), Qt::LocalTime), true};
        QTest::newRow("due floating") << ReadRow{"DUE:20300302T120000\r\n", true, noon, false};
        QTest::newRow("due utc") << ReadRow{"DUE:20300302T120000Z\r\n", true,
                                            QDateTime(QDate(2030, 3, 2), QTime(12, 0), Qt::UTC), false};
        QTest::newRow("due in a zone") << ReadRow{"DUE;TZID=Europe/Berlin:20300302T120000\r\n", true,
                                                  QDateTime(QDate(2030, 3, 2), QTime(11, 0), Qt::UTC), false};
    }

    void readsIncompleteTodos()
    {
        QFETCH(ReadRow, row);
        const QList<Reminder> read = ICalendarTodos::incompleteIn(calendar(vtodo("a", row.lines)), "a.ics");
        QCOMPARE(read.size(), row.listed ? 1 : 0);
        if (!row.listed)
            return;
        QCOMPARE(read.first().due, row.due);
        QCOMPARE(read.first().dueIsDate, row.dueIsDate);
    }

    void scansFilesInByteOrderThenComponentOrder()
    {
        QTemporaryDir dir;
        QVERIFY(TestFiles::write(dir.filePath("b.ics"), calendar(vtodo("b1", "") + vtodo("b2", ""))));
        QVERIFY(TestFiles::write(dir.filePath("a.ics"), calendar(vtodo("a1", ""))));
        QVERIFY(TestFiles::write(dir.filePath("B.ics"), calendar(vtodo("B1", ""))));
        QVERIFY(TestFiles::write(dir.filePath("c.txt"), calendar(vtodo("c1", ""))));
        QCOMPARE(titles(scanOf(dir.path()).items), QStringList({"B1", "a1", "b1", "b2"}));
    }

    // What a folder holds that the scan must not stop at: the rest is read, and what was left out is said.
    void scanSaysWhatItLeftOut_data()
    {
        QTest::addColumn<QString>("hostile");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("message");
        QTest::newRow("a FIFO") << "fifo" << QStringList{"a1", "c1"} << "Skipped b.ics: not a regular file.";
        QTest::newRow("more files than read")
            << "many" << QStringList{"a1", "b1"} << "Only the first 2 reminder files are read.";
        QTest::newRow("more bytes than read") << "bytes" << QStringList{"a1"}
                                              << "Some reminder files are left out: the folder holds too much to "
                                                 "read at once.";
    }

    void scanSaysWhatItLeftOut()
    {
        QFETCH(QString, hostile);
        QFETCH(QStringList, expected);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QVERIFY(TestFiles::write(dir.filePath("a.ics"), calendar(vtodo("a1", ""))));
        QVERIFY(TestFiles::write(dir.filePath("c.ics"), calendar(vtodo("c1", ""))));
        if (hostile == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("b.ics")).constData(), 0600), 0);
        else
            QVERIFY(TestFiles::write(dir.filePath("b.ics"), calendar(vtodo("b1", QByteArray(300, 'x') + "\r\n"))));
        const int files = hostile == "many" ? 2 : 10;
        const qint64 bytes = hostile == "bytes" ? 200 : 1'000'000;
        const ReminderScan scan = scanOf(dir.path(), files, bytes);
        QCOMPARE(titles(scan.items), expected);
        QCOMPARE(scan.message, message);
    }

    void completingChangesOnlyTheMatchingTodo()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("list.ics");
        const QByteArray first = vtodo("one",
                                       "SEQUENCE:1\r\nDESCRIPTION:Notes\r\nX-OTHER-TOOL:kept\r\n"
                                       "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Alarm\r\n"
                                       "TRIGGER:-PT15M\r\nEND:VALARM\r\n");
        const QByteArray occurrence = vtodo("one", "RECURRENCE-ID:20300303T090000Z\r\n");
        QVERIFY(TestFiles::write(path, calendar(first + occurrence + vtodo("two", ""))));
        QVERIFY(TestFiles::setMode(path, 0644));
        ICalendarReminders source(reader);
        const QList<Reminder> before = scanOf(dir.path()).items;
        QCOMPARE(before.size(), 3);

        QCOMPARE(awaited(source.complete(dir.path(), before.first(), now)), QString());

        QCOMPARE(TestFiles::mode(path), 0644);
        const QList<Reminder> after = scanOf(dir.path()).items;
        QCOMPARE(after, before.mid(1));
        icalcomponent* root = icalparser_parse_string(TestFiles::read(path).constData());
        QVERIFY(root);
        icalcomponent* done = icalcomponent_get_first_component(root, ICAL_VTODO_COMPONENT);
        QCOMPARE(icalcomponent_get_status(done), ICAL_STATUS_COMPLETED);
        QCOMPARE(icaltime_as_timet(icalcomponent_get_dtstamp(done)), now.toSecsSinceEpoch());
        QCOMPARE(icalproperty_get_completed(icalcomponent_get_first_property(done, ICAL_COMPLETED_PROPERTY)).zone,
                 icaltimezone_get_utc_timezone());
        QCOMPARE(
            icalproperty_get_percentcomplete(icalcomponent_get_first_property(done, ICAL_PERCENTCOMPLETE_PROPERTY)),
            100);
        QCOMPARE(icalcomponent_get_sequence(done), 2);
        QVERIFY(icalcomponent_get_first_property(done, ICAL_LASTMODIFIED_PROPERTY));
        QCOMPARE(QString(icalcomponent_get_description(done)), QString("Notes"));
        QVERIFY(icalcomponent_get_first_property(done, ICAL_X_PROPERTY));
        QVERIFY(icalcomponent_get_first_component(done, ICAL_VALARM_COMPONENT));
        icalcomponent_free(root);
    }

    void addWritesAPrivateFileNamedAfterItsUid()
    {
        QTemporaryDir dir;
        ICalendarReminders source(reader);
        QCOMPARE(awaited(source.add(dir.path(), "ABC", "Buy milk", now)), QString());
        const QString path = dir.filePath("ABC.ics");
        QCOMPARE(TestFiles::mode(path), 0600);
        const QList<Reminder> read = scanOf(dir.path()).items;
        QCOMPARE(titles(read), QStringList{"Buy milk"});
        QCOMPARE(read.first().uid, QString("ABC"));
        // The same UID again must not replace the first file.
        QVERIFY(!awaited(source.add(dir.path(), "ABC", "Other", now)).isEmpty());
        QCOMPARE(titles(scanOf(dir.path()).items), QStringList{"Buy milk"});
    }

    // Beside a good list, a file that would crash or hold up the reader: the good list is read, the file is
    // named, and it is not read again until it changes.
    void aFileThatHoldsUpTheReaderIsSkippedUntilItChanges_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("reason");
        QTest::newRow("nested to-dos") << HostileCalendars::nested("VTODO") << "its parts are nested too deeply";
        QTest::newRow("a zone that changes every minute")
            << HostileCalendars::runawayZone("VTODO") << "it took too long to read";
    }

    void aFileThatHoldsUpTheReaderIsSkippedUntilItChanges()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QVERIFY(TestFiles::write(dir.filePath("a.ics"), calendar(vtodo("a1", ""))));
        QVERIFY(TestFiles::write(dir.filePath("bad.ics"), contents));
        // A runaway file is stopped by the wall clock before its processor time runs out: the same loss, sooner.
        ICalendarReader::Limits quick = reader;
        quick.fileMs = 600;
        ICalendarReminders source(quick);
        const QString said = "Skipped bad.ics: " + reason + ".";
        ReminderScan scan = awaited(source.fetch(dir.path()));
        QCOMPARE(titles(scan.items), QStringList{"a1"});
        QCOMPARE(scan.message, said);

        QElapsedTimer again;
        again.start();
        scan = awaited(source.fetch(dir.path()));
        QVERIFY2(again.elapsed() < quick.fileMs, "the file was read again");
        QCOMPARE(scan.message, said);

        QVERIFY(TestFiles::write(dir.filePath("bad.ics"), calendar(vtodo("b1", ""))));
        scan = awaited(source.fetch(dir.path()));
        QCOMPARE(titles(scan.items), QStringList({"a1", "b1"}));
        QCOMPARE(scan.message, QString());
    }

    // A reader that outgrows its memory is stopped, beside a list that reads: many tiny properties within the size
    // limit take more than that in libical's tree. Ample time, so that memory is what stops it. A smaller memory
    // than the program's, and a file as much smaller, keep the reading short.
    void aListThatNeedsTooMuchMemoryIsSkipped()
    {
        constexpr qint64 memoryShare = 8;
        QTemporaryDir dir;
        const QByteArray todo = "BEGIN:VTODO\n" + QByteArray("X-A:\n").repeated(8) + "END:VTODO\n";
        QVERIFY(TestFiles::write(dir.filePath("a.ics"), calendar(vtodo("a1", ""))));
        const qint64 bytes = ICalendarReminders::maxFileBytes / memoryShare * 3 / 2;
        QVERIFY(TestFiles::write(dir.filePath("huge.ics"), calendar(todo.repeated(bytes / todo.size()))));
        ICalendarReminders source({.program = WISPLET_READER,
                                   .cpuSecondsPerFile = 120,
                                   .fileMs = 240'000,
                                   .memoryBytes = ICalendarReader::Limits().memoryBytes / memoryShare});
        const ReminderScan scan = awaited(source.fetch(dir.path()));
        QCOMPARE(titles(scan.items), QStringList{"a1"});
        QCOMPARE(scan.message, "Skipped huge.ics: reading it failed.");
    }

    // On a full disk the list is not replaced and nothing is left behind, and the failure is said.
    void aFullDiskKeepsTheListAsItWas()
    {
        TinyDisk disk;
        TINY_DISK_OR_SKIP(disk);
        const QByteArray list = calendar(vtodo("one", "DESCRIPTION:" + QByteArray(2000, 'x') + "\r\n"));
        QVERIFY(TestFiles::write(disk.file("list.ics"), list));
        ICalendarReminders source(reader);
        const QList<Reminder> before = scanOf(disk.path()).items;
        QVERIFY(disk.fill());
        const QStringList entries = QDir(disk.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

        const QString error = awaited(source.complete(disk.path(), before.first(), now));

        QCOMPARE(TestFiles::read(disk.file("list.ics")), list);
        QCOMPARE(QDir(disk.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), entries);
        QVERIFY2(error.startsWith("Couldn't complete the reminder: "), qPrintable(error));
    }

    // An ordinary long list on a machine whose every core is busy: what it costs is its processor time, which
    // a busy machine does not change, so it is read however long the wall clock says it took.
    void aLongListIsReadOnABusyMachine()
    {
        constexpr int length = 20'000;
        QTemporaryDir dir;
        QByteArray todos;
        for (int i = 0; i < length; ++i)
            todos += vtodo("t" + QByteArray::number(i), "SUMMARY:Task\r\nDUE:20300310T090000Z\r\n");
        QVERIFY(TestFiles::write(dir.filePath("long.ics"), calendar(todos)));
        ICalendarReminders source({.program = WISPLET_READER});
        ReminderScan scan;
        {
            std::atomic<bool> busy = true;
            std::vector<std::jthread> hogs;
            for (int i = 0; i < QThread::idealThreadCount(); ++i)
                hogs.emplace_back([&busy] {
                    while (busy.load(std::memory_order_relaxed)) { }
                });
            scan = awaited(source.fetch(dir.path()));
            busy = false;
        }
        QCOMPARE(scan.message, QString());
        QCOMPARE(scan.items.size(), length);
    }

    // A list whose reader is killed from outside, and the fresh one too (the out-of-memory killer twice), is
    // named for that scan only: the next reads it whole.
    void aListWhoseReadersWereKilledIsReadAtTheNextScan()
    {
        QTemporaryDir dir;
        QByteArray todos;
        for (int i = 0; i < 20'000; ++i)
            todos += vtodo("t" + QByteArray::number(i), "");
        QVERIFY(TestFiles::write(dir.filePath("long.ics"), calendar(todos)));
        ICalendarReminders source({.program = WISPLET_READER});
        const QFuture<ReminderScan> scan = source.fetch(dir.path());
        for (int killed = 0; killed < 2; ++killed) {
            pid_t onTheFile = 0;
            QVERIFY(
                QTest::qWaitFor([&onTheFile] { return (onTheFile = CalendarReaders::wellIntoAFile()) != 0; }, 10'000));
            QCOMPARE(::kill(onTheFile, SIGKILL), 0);
            QVERIFY(QTest::qWaitFor([onTheFile] { return !CalendarReaders::running().contains(onTheFile); }, 10'000));
        }
        QCOMPARE(awaited(scan).message, "Skipped long.ics: reading it failed.");
        const ReminderScan next = awaited(source.fetch(dir.path()));
        QCOMPARE(next.message, QString());
        QCOMPARE(next.items.size(), 20'000);
    }

    // A list read once is not read again while its files stay the same, however often it is asked for.
    void unchangedFilesAreNotReadAgain()
    {
        QTemporaryDir dir;
        QVERIFY(TestFiles::write(dir.filePath("a.ics"), calendar(vtodo("a1", ""))));
        QVERIFY(TestFiles::write(dir.filePath("b.ics"), calendar(vtodo("b1", "") + vtodo("b2", ""))));
        ICalendarReminders source(reader);
        QCOMPARE(titles(awaited(source.fetch(dir.path())).items), QStringList({"a1", "b1", "b2"}));
        QCOMPARE(titles(awaited(source.fetch(dir.path())).items), QStringList({"a1", "b1", "b2"}));
        QCOMPARE(source.readCount(), 2);
        QVERIFY(TestFiles::write(dir.filePath("b.ics"), calendar(vtodo("b3", ""))));
        QVERIFY(QFile::remove(dir.filePath("a.ics")));
        QCOMPARE(titles(awaited(source.fetch(dir.path())).items), QStringList({"b3"}));
        QCOMPARE(source.readCount(), 3);
    }

    // Only the temporaries our own writes make beside a .ics file, once no write can still be making them (how
    // such a name is told is in tst_privatefiles).
    void aScanSweepsLeftoverTemporaries_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<qint64>("ageSeconds");
        QTest::addColumn<bool>("removed");
        const qint64 old = 2 * ICalendarReminders::sweepAfterSeconds(reader);
        QTest::newRow("ours, left over") << "A1B2.ics.~Xy12Zq" << QByteArray("x") << old << true;
        QTest::newRow("ours, left over by a completion") << "home.ICS.~abcdef" << QByteArray("x") << old << true;
        QTest::newRow("ours, maybe still being written") << "A1B2.ics.~Xy12Zq" << QByteArray("x") << qint64(5) << false;
        QTest::newRow("without a name") << ".ics.~Xy12Zq" << QByteArray("x") << old << false;
        QTest::newRow("beside another kind of file") << "notes.txt.~Xy12Zq" << QByteArray("x") << old << false;
        QTest::newRow("a folder by that name") << "A1B2.ics.~Xy12Zq" << StandIns::folder << old << false;
        QTest::newRow("a FIFO by that name") << "A1B2.ics.~Xy12Zq" << StandIns::fifo << old << false;
    }

    void aScanSweepsLeftoverTemporaries()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, contents);
        QFETCH(qint64, ageSeconds);
        QFETCH(bool, removed);
        QTemporaryDir dir;
        QVERIFY(TestFiles::write(dir.filePath("A1B2.ics"), calendar(vtodo("a1", ""))));
        const QString path = dir.filePath(name);
        QVERIFY(StandIns::place(path, contents));
        const qint64 then = QDateTime::currentSecsSinceEpoch() - ageSeconds;
        const timespec times[2] = {{then, 0}, {then, 0}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
        ICalendarReminders source(reader);
        QCOMPARE(titles(awaited(source.fetch(dir.path())).items), QStringList{"a1"});
        QCOMPARE(!QFileInfo::exists(path), removed);
    }

    // A write stopped by its deadline: said as a write that took too long, unless what it wrote is already
    // there, which the user would otherwise do a second time.
    void aStoppedWriteIsSaidAsAWriteUnlessItLanded_data()
    {
        QTest::addColumn<bool>("completing");
        QTest::addColumn<QByteArray>("knob");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("written");
        const QByteArray before = "WISPLET_TEST_HOLD_BEFORE_WRITE_MS";
        const QByteArray after = "WISPLET_TEST_HOLD_AFTER_WRITE_MS";
        QTest::newRow("an add stopped before its file was written")
            << false << before << "Couldn't add the reminder: it took too long to write" << false;
        QTest::newRow("an add stopped after its file was written") << false << after << QString() << true;
        QTest::newRow("a completion stopped before its file was replaced")
            << true << before << "Couldn't complete the reminder: it took too long to write" << false;
        QTest::newRow("a completion stopped after its file was replaced") << true << after << QString() << true;
    }

    void aStoppedWriteIsSaidAsAWriteUnlessItLanded()
    {
        QFETCH(bool, completing);
        QFETCH(QByteArray, knob);
        QFETCH(QString, error);
        QFETCH(bool, written);
        QTemporaryDir dir;
        const QString file = dir.filePath(completing ? "list.ics" : "U1.ics");
        if (completing)
            QVERIFY(TestFiles::write(file, calendar(vtodo("c1", "SUMMARY:Call Ana\r\n"))));
        const Reminder reminder = completing ? scanOf(dir.path()).items.first() : Reminder{};
        qputenv(knob.constData(), "20000");
        const auto release = qScopeGuard([&knob] { qunsetenv(knob.constData()); });
        // Time enough for a reader to start and write; the held one is stopped by then.
        ICalendarReminders source({.program = WISPLET_READER, .fileMs = 400});
        const QFuture<QString> write =
            completing ? source.complete(dir.path(), reminder, now) : source.add(dir.path(), "U1", "Call Ana", now);
        QCOMPARE(awaited(write), error);
        QCOMPARE(QFileInfo::exists(file) && TestFiles::read(file).contains(completing ? "COMPLETED" : "Call Ana"),
                 written);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), completing || written ? 1 : 0);
    }

    void prepareMakesAMissingFolderPrivate()
    {
        QTemporaryDir dir;
        ICalendarReminders source(reader);
        const QString folder = dir.filePath("new/list");
        QCOMPARE(source.prepare(folder), QString());
        QCOMPARE(TestFiles::mode(folder), 0700);
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
        QVERIFY(TestFiles::write(dir.filePath("file"), "x"));
        QVERIFY(!source.prepare(dir.filePath("file")).isEmpty());
        QVERIFY(!source.prepare(dir.filePath("file/below")).isEmpty());
    }
};

WISPLET_TEST_MAIN(TestICalendarReminders)
#include "tst_icalendarreminders.moc"
