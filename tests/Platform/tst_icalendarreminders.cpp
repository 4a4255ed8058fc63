#include "Wisplet/Platform/Calendar/ICalendarReminders.h"
#include "Wisplet/Platform/Calendar/ICalendarTodos.h"
#include "tests/support/Files.h"
#include "tests/support/HostileCalendars.h"
#include "tests/support/TestMain.h"
#include "tests/support/Texts.h"
#include "tests/support/TinyDisk.h"

#include <QDir>
#include <QTemporaryDir>

#include <sys/stat.h>

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

// A second per file keeps the rows about runaway files short.
const ICalendarReader::Limits reader{.program = WISPLET_READER, .fileMs = 1'000};

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
        ICalendarReminders source(reader);
        const QString said = "Skipped bad.ics: " + reason + ".";
        ReminderScan scan = awaited(source.fetch(dir.path()));
        QCOMPARE(titles(scan.items), QStringList{"a1"});
        QCOMPARE(scan.message, said);

        QElapsedTimer again;
        again.start();
        scan = awaited(source.fetch(dir.path()));
        QVERIFY2(again.elapsed() < reader.fileMs, "the file was read again");
        QCOMPARE(scan.message, said);

        QVERIFY(TestFiles::write(dir.filePath("bad.ics"), calendar(vtodo("b1", ""))));
        scan = awaited(source.fetch(dir.path()));
        QCOMPARE(titles(scan.items), QStringList({"a1", "b1"}));
        QCOMPARE(scan.message, QString());
    }

    // A reader that outgrows its memory is stopped, beside a list that reads.
    void aListThatNeedsTooMuchMemoryIsSkipped()
    {
        QTemporaryDir dir;
        QByteArray todos;
        for (int i = 0; todos.size() < ICalendarReminders::maxFileBytes - 1024; ++i)
            todos += vtodo("t" + QByteArray::number(i), "");
        QVERIFY(TestFiles::write(dir.filePath("a.ics"), calendar(vtodo("a1", ""))));
        QVERIFY(TestFiles::write(dir.filePath("huge.ics"), calendar(todos)));
        ICalendarReminders source({.program = WISPLET_READER, .fileMs = 60'000, .memoryBytes = 64 * 1024 * 1024});
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
