#include "Wisplet/Tools/Notes/NotesStore.h"
#include "tests/support/FakeClock.h"
#include "tests/support/FakeScheduler.h"
#include "tests/support/Files.h"
#include "tests/support/StandIns.h"
#include "tests/support/TestMain.h"
#include "tests/support/TinyDisk.h"

#include <QDir>
#include <QJsonDocument>

#include <functional>

namespace {

const QByteArray noteA =
    R"({"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","title":"A","text":"one","pinned":false,"updated":10.5})";
const QByteArray noteB =
    R"({"id":"7F9619FF-8B86-D011-B42D-00C04FC964FF","title":"B","text":"two","pinned":true,"updated":20})";

// As the store writes it (keys in order, compact), with dates finer than a millisecond.
const QByteArray fractionalDates =
    R"([{"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","pinned":false,"text":"one","title":"A","updated":1.2345678},)"
    R"({"id":"7F9619FF-8B86-D011-B42D-00C04FC964FF","pinned":true,"text":"two","title":"B","updated":-1e-07}])";

// How a folder starts out; a null array means the file is absent, a stand-in that something else is there.
struct Start
{
    QByteArray notesFile;
    QByteArray legacyFile;
    int notes;
    bool loaded;
    QString firstText;
};

const QByteArray noteC =
    R"({"id":"8F9619FF-8B86-D011-B42D-00C04FC964FF","title":"C","text":"three","pinned":false,"updated":30})";
const QByteArray twoNotes = "[" + noteA + "," + noteB + "]";

// Another program rewrites the file between our load and our save, while note A is edited here.
struct OutsideRow
{
    // What the other program leaves at the path.
    QByteArray theirs;
    // "title:text" of each note in the file after our save.
    QStringList written;
    // Part of what the page says; empty when there is nothing to say.
    QString notice;
};

// Something done to a store that leaves its notes as the file holds them.
using Action = std::function<void(NotesStore&)>;

// How the disk under the store's folder fails, and how a later save is tried, once room is made.
struct DiskRow
{
    bool readOnly;
    Action retry;
};

QStringList titlesAndTexts(const QByteArray& file)
{
    QStringList result;
    for (const WispNote& note : decodeNotes(file).value_or(QList<WispNote>()))
        result.append(note.title + u':' + note.text);
    return result;
}

} // namespace

Q_DECLARE_METATYPE(Start)
Q_DECLARE_METATYPE(OutsideRow)
Q_DECLARE_METATYPE(DiskRow)

class TestNotesStore final : public QObject
{
    Q_OBJECT

private:
    FakeClock m_clock;
    FakeScheduler m_scheduler{m_clock};

private slots:
    void firstStart_data()
    {
        QTest::addColumn<Start>("start");
        const QByteArray null;
        QTest::newRow("empty folder") << Start{null, null, 1, true, ""};
        QTest::newRow("legacy text imported whole")
            << Start{null, "first line\n\nthird line\n", 1, true, "first line\n\nthird line\n"};
        QTest::newRow("legacy text not UTF-8") << Start{null, "caf\xe9 au lait", 0, false, ""};
        QTest::newRow("legacy text cut inside a character") << Start{null, "caf\xc3", 0, false, ""};
        QTest::newRow("legacy text a folder") << Start{null, StandIns::folder, 0, false, ""};
        QTest::newRow("legacy text a FIFO") << Start{null, StandIns::fifo, 0, false, ""};
        // JSON writes each of these as six characters: the note must still fit in the notes file.
        QTest::newRow("legacy text at the limit, all escaped")
            << Start{null, QByteArray(NotesStore::maxLegacyBytes, '\x01'), 1, true,
                     QString(NotesStore::maxLegacyBytes, QChar(1))};
        QTest::newRow("legacy text too large")
            << Start{null, StandIns::sized(NotesStore::maxLegacyBytes + 1), 0, false, ""};
        QTest::newRow("notes file wins over legacy text") << Start{"[" + noteA + "]", "old", 1, true, "one"};
        QTest::newRow("empty file") << Start{"", null, 0, false, ""};
        QTest::newRow("member missing") << Start{"[" + QByteArray(noteA).replace(",\"updated\":10.5", "") + "]", null,
                                                 0, false, ""};
        QTest::newRow("id not a UUID") << Start{"[" + QByteArray(noteA).replace("6F9619FF-", "6F96-") + "]", null, 0,
                                                false, ""};
        QTest::newRow("pinned as text") << Start{"[" + QByteArray(noteA).replace("false", "\"false\"") + "]", null, 0,
                                                 false, ""};
        QTest::newRow("a folder") << Start{StandIns::folder, null, 0, false, ""};
        QTest::newRow("a FIFO") << Start{StandIns::fifo, "old", 0, false, ""};
        QTest::newRow("too large") << Start{StandIns::sized(NotesStore::maxFileBytes + 1), null, 0, false, ""};
        QTest::newRow("duplicate ids listed, not changeable")
            << Start{"[" + noteA + "," + QByteArray(noteB).replace("7F96", "6F96") + "]", null, 2, false, "one"};
    }

    void firstStart()
    {
        QFETCH(Start, start);
        TempFolder folder;
        QVERIFY(StandIns::place(folder.file("notes-v2.json"), start.notesFile));
        QVERIFY(StandIns::place(folder.file("notes.txt"), start.legacyFile));
        NotesStore store(m_clock, m_scheduler, folder.path());

        QCOMPARE(store.notes().size(), start.notes);
        QCOMPARE(store.loadedSuccessfully(), start.loaded);
        if (start.notes > 0)
            QCOMPARE(store.notes().first().text, start.firstText);
        // The legacy file is only ever read.
        if (!start.legacyFile.isNull())
            QVERIFY(StandIns::isStill(folder.file("notes.txt"), start.legacyFile));

        if (!start.loaded) {
            QCOMPARE(store.saveStatus(), NotesStore::loadFailedStatus());
            // Standard error names the file that is wrong.
            const QString wrongFile = start.notesFile.isNull() ? "/notes.txt (" : "/notes-v2.json (";
            QVERIFY2(store.loadProblem().contains(wrongFile), qPrintable(store.loadProblem()));
            QVERIFY(store.selectedID().isNull());
            const QList<WispNote> before = store.notes();
            store.setSelectedID(before.isEmpty() ? QUuid() : before.first().id);
            store.update(QStringLiteral("changed"), QStringLiteral("changed"));
            store.togglePin();
            store.newNote();
            store.deleteSelected();
            QCOMPARE(store.notes(), before);
            QVERIFY(store.save());
            QCOMPARE(m_scheduler.pendingCount(), 0);
            if (start.notesFile.isNull())
                QVERIFY(!QFileInfo::exists(folder.file("notes-v2.json")));
            else
                QVERIFY(StandIns::isStill(folder.file("notes-v2.json"), start.notesFile));
            return;
        }
        QCOMPARE(store.saveStatus(), NotesStore::savedStatus());
        QVERIFY(!store.isDirty());
        QCOMPARE(store.selectedID(), store.notes().isEmpty() ? QUuid() : store.notes().first().id);
        // Whatever was loaded or created is on disk as it is in memory.
        QCOMPARE(decodeNotes(TestFiles::read(folder.file("notes-v2.json"))), store.notes());
    }

    void editsAreWrittenOnceAfterAPause()
    {
        TempFolder folder;
        const QByteArray original = "[" + noteA + "," + noteB + "]";
        QVERIFY(StandIns::place(folder.file("notes-v2.json"), original));
        NotesStore store(m_clock, m_scheduler, folder.path());
        store.setSelectedID(store.notes().at(1).id);
        for (int i = 0; i < 3; ++i) {
            store.update(std::nullopt, QStringLiteral("edit %1").arg(i));
            QCOMPARE(store.saveStatus(), NotesStore::savingStatus());
            m_scheduler.advance(500);
        }
        m_scheduler.advance(99);
        QCOMPARE(TestFiles::read(folder.file("notes-v2.json")), original);
        m_scheduler.advance(1);
        QCOMPARE(store.saveStatus(), NotesStore::savedStatus());
        const std::optional<QList<WispNote>> written = decodeNotes(TestFiles::read(folder.file("notes-v2.json")));
        QVERIFY(written);
        // The untouched note, fractional seconds included, reads back as it was.
        QCOMPARE(written->at(0), decodeNotes("[" + noteA + "]")->first());
        QCOMPARE(written->at(1).text, QStringLiteral("edit 2"));
        QCOMPARE(written->at(1).updated.toDateTime(), m_clock.now().addMSecs(-600));
        QCOMPARE(TestFiles::mode(folder.file("notes-v2.json")), 0600);
        QVERIFY(store.save()); // nothing left: no write, status kept
        QCOMPARE(m_scheduler.pendingCount(), 0);
    }

    // However steady the typing, what was typed 2 s ago is on disk, and pauses of the typist are not
    // each a write.
    void steadyTypingReachesTheDiskWithin2s()
    {
        // 8 keys a second for 12 s.
        const struct
        {
            int everyMs = 125;
            int keys = 96;
        } typing;
        TempFolder folder;
        QVERIFY(
            StandIns::place(folder.file("notes-v2.json"), "[" + QByteArray(noteA).replace("\"one\"", "\"\"") + "]"));
        NotesStore store(m_clock, m_scheduler, folder.path());
        int writes = 0;
        connect(&store, &NotesStore::saveStatusChanged, this,
                [&writes](const QString& status) { writes += int(status == NotesStore::savedStatus()); });
        QString typed;
        for (int key = 0; key < typing.keys; ++key) {
            typed += QChar(u'a' + key % 26);
            store.update(std::nullopt, typed);
            m_scheduler.advance(typing.everyMs);
            const qsizetype onDisk = decodeNotes(TestFiles::read(folder.file("notes-v2.json")))
                                         .value_or(QList<WispNote>{})
                                         .value(0)
                                         .text.size();
            const qsizetype typed2sAgo = std::max(0, key + 1 - NotesStore::longestSaveDelayMs / typing.everyMs);
            QVERIFY2(onDisk >= typed2sAgo,
                     qPrintable(QStringLiteral("%1 of %2 keys on disk").arg(onDisk).arg(key + 1)));
        }
        QVERIFY2(writes <= typing.everyMs * typing.keys / NotesStore::longestSaveDelayMs + 1,
                 qPrintable(QString::number(writes)));
    }

    void datesKeepTheirFractionThroughASave()
    {
        const QByteArray original = fractionalDates;
        TempFolder folder;
        QVERIFY(TestFiles::write(folder.file("notes-v2.json"), original));
        NotesStore store(m_clock, m_scheduler, folder.path());
        // Pinning leaves the dates alone; twice, it leaves everything as it was.
        store.togglePin();
        store.togglePin();
        QVERIFY(store.save());
        QVERIFY(!store.isDirty());
        QCOMPARE(TestFiles::read(folder.file("notes-v2.json")), original);
    }

    void newNotesDeletionAndPinning()
    {
        TempFolder folder;
        QVERIFY(StandIns::place(folder.file("notes-v2.json"), "[" + noteA + "," + noteB + "]"));
        NotesStore store(m_clock, m_scheduler, folder.path());
        store.newNote();
        const QUuid created = store.selectedID();
        QCOMPARE(store.filteredNotes({}).at(1).id, created); // the latest change, but below the pinned one
        store.setSelectedID(store.notes().at(1).id); // "A", the oldest
        store.togglePin();
        store.update(std::nullopt, QStringLiteral("newer"));
        QCOMPARE(store.filteredNotes({}).at(0).title, QStringLiteral("A"));
        store.deleteSelected();
        QCOMPARE(store.selectedID(), created); // first in storage order, not the top of the list
        store.deleteSelected();
        store.deleteSelected();
        QVERIFY(store.selectedID().isNull());
        m_scheduler.advance(600);
        QCOMPARE(TestFiles::read(folder.file("notes-v2.json")), "[]");
        store.newNote(); // an empty list still takes new notes
        QCOMPARE(store.notes().size(), 1);
    }

    void aFailedSaveKeepsTheEditsAndAsksBeforeQuitting()
    {
        // A regular file where the folder must be stops root as well.
        TempFolder folder;
        QVERIFY(TestFiles::write(folder.file("plain"), "x"));
        NotesStore store(m_clock, m_scheduler, folder.file("plain"));
        QCOMPARE(store.saveStatus(), NotesStore::saveFailedStatus());
        store.update(std::nullopt, QStringLiteral("keep me"));
        m_scheduler.advance(600);
        QCOMPARE(store.saveStatus(), NotesStore::saveFailedStatus());
        QVERIFY(store.isDirty());
        QCOMPARE(store.selectedNote()->text, QStringLiteral("keep me"));

        QVERIFY(!store.save()); // what stops the quit and asks
    }

    void aFailingDiskKeepsTheFileWhole_data()
    {
        QTest::addColumn<DiskRow>("row");
        const auto change = [](NotesStore& store) { store.update(std::nullopt, QStringLiteral("later")); };
        QTest::newRow("full, then room: the next change saves") << DiskRow{false, change};
        QTest::newRow("full, then room: the quit saves") << DiskRow{false, [](NotesStore& store) { store.save(); }};
        QTest::newRow("read-only") << DiskRow{true, {}};
    }

    void aFailingDiskKeepsTheFileWhole()
    {
        QFETCH(DiskRow, row);
        TinyDisk disk;
        TINY_DISK_OR_SKIP(disk);
        const QString folder = disk.file("Wisplet");
        QVERIFY(TestFiles::write(folder + "/notes-v2.json", twoNotes));
        NotesStore store(m_clock, m_scheduler, folder);
        QVERIFY(row.readOnly ? disk.makeReadOnly() : disk.fill());

        store.update(std::nullopt, QStringLiteral("typed on a full disk"));
        m_scheduler.advance(NotesStore::saveDelayMs);
        QCOMPARE(store.saveStatus(), NotesStore::saveFailedStatus());
        QCOMPARE(TestFiles::read(store.notesPath()), twoNotes);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"notes-v2.json"});
        QVERIFY(!store.save());
        QCOMPARE(store.selectedNote()->text, QStringLiteral("typed on a full disk"));
        if (!row.retry)
            return;

        disk.makeRoom();
        row.retry(store);
        m_scheduler.advance(NotesStore::saveDelayMs);
        QCOMPARE(store.saveStatus(), NotesStore::savedStatus());
        QVERIFY(!store.isDirty());
        QCOMPARE(decodeNotes(TestFiles::read(store.notesPath())), store.notes());
    }

    void anotherProgramsChangeIsTakenIn_data()
    {
        QTest::addColumn<OutsideRow>("row");
        QTest::newRow("a note added there") << OutsideRow{
            "[" + noteC + "," + noteA + "," + noteB + "]", {"C:three", "A:here", "B:two"}, NotesStore::tookInNotice()};
        QTest::newRow("the note changed here and there is kept twice")
            << OutsideRow{"[" + QByteArray(noteA).replace("one", "there") + "," + noteB + "]",
                          {"A:there", "A:here", "B:two"},
                          NotesStore::keptTwiceNotice()};
        QTest::newRow("the file replaced by no notes file")
            << OutsideRow{"{\"A\": 1}", {"A:here", "B:two"}, "notes-v2.json.unreadable"};
    }

    void anotherProgramsChangeIsTakenIn()
    {
        QFETCH(OutsideRow, row);
        TempFolder folder;
        QVERIFY(TestFiles::write(folder.file("notes-v2.json"), twoNotes));
        NotesStore store(m_clock, m_scheduler, folder.path());
        store.update(std::nullopt, QStringLiteral("here"));
        QVERIFY(TestFiles::write(store.notesPath(), row.theirs));

        m_scheduler.advance(NotesStore::saveDelayMs);
        QCOMPARE(store.saveStatus(), NotesStore::savedStatus());
        QCOMPARE(titlesAndTexts(TestFiles::read(store.notesPath())), row.written);
        QCOMPARE(decodeNotes(TestFiles::read(store.notesPath())), store.notes());
        QVERIFY2(row.notice.isEmpty() ? store.notice().isEmpty() : store.notice().contains(row.notice),
                 qPrintable(store.notice()));
        // The note being edited stays selected, whatever id it has now.
        QCOMPARE(store.selectedNote()->text, QStringLiteral("here"));
        if (row.theirs.startsWith('{'))
            QCOMPARE(TestFiles::read(store.notesPath() + ".unreadable"), row.theirs);
    }

    void nothingChangedWritesNothing_data()
    {
        QTest::addColumn<Action>("action");
        QTest::newRow("nothing done") << Action([](NotesStore&) {});
        QTest::newRow("pinned and unpinned") << Action([](NotesStore& store) {
            store.togglePin();
            store.togglePin();
        });
        QTest::newRow("a new note deleted") << Action([](NotesStore& store) {
            store.newNote();
            store.deleteSelected();
        });
    }

    void nothingChangedWritesNothing()
    {
        QFETCH(Action, action);
        TempFolder folder;
        QVERIFY(TestFiles::write(folder.file("notes-v2.json"), fractionalDates));
        NotesStore store(m_clock, m_scheduler, folder.path());
        const PrivateFiles::FileStamp before = PrivateFiles::stampOf(store.notesPath());
        action(store);
        // As the program quits: once before, once after everything else stopped.
        QVERIFY(store.save());
        QVERIFY(store.save());
        QCOMPARE(store.saveStatus(), NotesStore::savedStatus());
        QVERIFY(PrivateFiles::stampOf(store.notesPath()) == before);
        QCOMPARE(TestFiles::read(store.notesPath()), fractionalDates);
    }

    void anInterruptedSaveLeavesNothingAfterTheNextStart()
    {
        TempFolder folder;
        QVERIFY(TestFiles::write(folder.file("notes-v2.json"), twoNotes));
        QVERIFY(TestFiles::write(folder.file("notes-v2.json.q7Rb2X"), "[{\"id\""));
        NotesStore store(m_clock, m_scheduler, folder.path());
        QCOMPARE(store.notes().size(), 2);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"notes-v2.json"});
    }
};

WISPLET_TEST_MAIN(TestNotesStore)
#include "tst_notesstore.moc"
