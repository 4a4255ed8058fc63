#include "Wisplet/Platform/ICalendarReminders.h"
#include "tests/support/Files.h"
#include "tests/support/TestMain.h"
#include "tests/support/Texts.h"

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
        const QList<Reminder> read = ICalendarReminders::incompleteIn(calendar(vtodo("a", row.lines)), "a.ics");
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
        QCOMPARE(titles(ICalendarReminders::scan(dir.path()).items), QStringList({"B1", "a1", "b1", "b2"}));
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
        const ReminderScan scan = ICalendarReminders::scan(dir.path(), files, bytes);
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
        ICalendarReminders source;
        const QList<Reminder> before = ICalendarReminders::scan(dir.path()).items;
        QCOMPARE(before.size(), 3);

        QCOMPARE(source.complete(dir.path(), before.first(), now), QString());

        QCOMPARE(TestFiles::mode(path), 0644);
        const QList<Reminder> after = ICalendarReminders::scan(dir.path()).items;
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
        ICalendarReminders source;
        QCOMPARE(source.add(dir.path(), "ABC", "Buy milk", now), QString());
        const QString path = dir.filePath("ABC.ics");
        QCOMPARE(TestFiles::mode(path), 0600);
        const QList<Reminder> read = ICalendarReminders::scan(dir.path()).items;
        QCOMPARE(titles(read), QStringList{"Buy milk"});
        QCOMPARE(read.first().uid, QString("ABC"));
        // The same UID again must not replace the first file.
        QVERIFY(!source.add(dir.path(), "ABC", "Other", now).isEmpty());
        QCOMPARE(titles(ICalendarReminders::scan(dir.path()).items), QStringList{"Buy milk"});
    }

    void prepareMakesAMissingFolderPrivate()
    {
        QTemporaryDir dir;
        ICalendarReminders source;
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
