#include "Wisplet/Tools/Notes/NoteRules.h"
#include "tests/support/Files.h"
#include "tests/support/TestMain.h"
#include "tests/support/Texts.h"
#include "tests/support/TinyDisk.h"

#include <QDir>

namespace {

// A note by title; its text, pin and age in minutes follow.
struct Note
{
    const char* title;
    const char* text;
    bool pinned;
    int minutesOld;
};

struct FilterRow
{
    QList<Note> notes;
    QString query;
    QStringList titles;
};

QList<WispNote> makeNotes(const QList<Note>& notes)
{
    const QDateTime now(QDate(2026, 3, 1), QTime(9, 0), Qt::UTC);
    QList<WispNote> result;
    for (const Note& note : notes) {
        result.append({QUuid::createUuid(), QString::fromUtf8(note.title), QString::fromUtf8(note.text), note.pinned,
                       StoredJson::Date::of(now.addSecs(-60 * note.minutesOld))});
    }
    return result;
}

} // namespace

Q_DECLARE_METATYPE(FilterRow)

class TestNoteRules final : public QObject
{
    Q_OBJECT

private slots:
    void filtered_data()
    {
        QTest::addColumn<FilterRow>("row");
        const QList<Note> mixed{{"old", "x", false, 30},
                                {"pinned old", "x", true, 40},
                                {"new", "x", false, 1},
                                {"pinned new", "x", true, 5}};
        QTest::newRow("all, pinned first, then latest")
            << FilterRow{mixed, "", {"pinned new", "pinned old", "new", "old"}};
        QTest::newRow("equal keys keep their order")
            << FilterRow{{{"b", "", false, 3}, {"a", "", false, 3}, {"c", "", false, 3}}, "", {"b", "a", "c"}};
        QTest::newRow("capitals find lower case")
            << FilterRow{{{"Shopping", "buy milk", false, 1}, {"Work", "email", false, 2}}, "MILK", {"Shopping"}};
        QTest::newRow("one space is searched as typed")
            << FilterRow{{{"two words", "", false, 1}, {"single", "word", false, 2}}, " ", {"two words"}};
    }

    void filtered()
    {
        QFETCH(FilterRow, row);
        QCOMPARE(textsOf(NoteRules::filtered(makeNotes(row.notes), row.query), &WispNote::title), row.titles);
    }

    void wordCount_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("blanks at both ends and doubled") << "\t lead  and\ntrail \n" << 3;
        QTest::newRow("no-break and ideographic spaces") << QStringLiteral("a\u00a0b\u3000c") << 3;
    }

    void wordCount()
    {
        QFETCH(QString, text);
        QFETCH(int, count);
        QCOMPARE(NoteRules::wordCount(text), count);
    }

    void exportFileName_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("name");
        QTest::newRow("empty title") << ""
                                     << "Note.txt";
        QTest::newRow("slashes, long title cut to 80")
            << QString(50, u'x') + u'/' + QString(49, u'y') << QString(50, u'x') + u'-' + QString(29, u'y') + ".txt";
        // A skin-toned thumb is one character of four code units; it is kept or cut whole.
        QTest::newRow("a character is never split") << QString(79, u'a') + QStringLiteral("👍🏽") + "tail"
                                                    << QString(79, u'a') + QStringLiteral("👍🏽.txt");
    }

    void exportFileName()
    {
        QFETCH(QString, title);
        QFETCH(QString, name);
        QCOMPARE(NoteRules::exportFileName(title), name);
    }

    void writeText()
    {
        TempFolder folder;
        const QString text = QStringLiteral("Grüße\nline two");
        QVERIFY(NoteRules::writeText(folder.file("note.txt"), text).isEmpty());
        QCOMPARE(TestFiles::read(folder.file("note.txt")), text.toUtf8()); // no byte-order mark
        QVERIFY(NoteRules::writeText(folder.file("note.txt"), QStringLiteral("again")).isEmpty());
        QCOMPARE(TestFiles::read(folder.file("note.txt")), "again");
        QVERIFY(QDir().mkpath(folder.file("taken")));
        QVERIFY(!NoteRules::writeText(folder.file("taken"), text).isEmpty());
        QVERIFY(QFileInfo(folder.file("taken")).isDir());
    }

    void aFailedExportLeavesNothingBehind_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QByteArray>("before"); // null: no file there
        QTest::newRow("full disk, new file") << false << QByteArray();
        QTest::newRow("full disk, file replaced") << false << QByteArray("earlier export");
        QTest::newRow("read-only disk, file replaced") << true << QByteArray("earlier export");
    }

    void aFailedExportLeavesNothingBehind()
    {
        QFETCH(bool, readOnly);
        QFETCH(QByteArray, before);
        TinyDisk disk;
        TINY_DISK_OR_SKIP(disk);
        if (!before.isNull())
            QVERIFY(TestFiles::write(disk.file("note.txt"), before));
        QVERIFY(readOnly ? disk.makeReadOnly() : disk.fill());
        QVERIFY(!NoteRules::writeText(disk.file("note.txt"), QString(10000, u'x')).isEmpty());
        QStringList expected{"note.txt"};
        if (before.isNull())
            expected.clear();
        QDir folder(disk.path());
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("note")), expected);
        if (!before.isNull())
            QCOMPARE(TestFiles::read(disk.file("note.txt")), before);
    }
};

WISPLET_TEST_MAIN(TestNoteRules)
#include "tst_noterules.moc"
