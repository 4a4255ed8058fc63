#include "Wisplet/Tools/Notes/NotesStore.h"
#include "tests/support/FakeClock.h"
#include "tests/support/FakeScheduler.h"
#include "tests/support/Files.h"
#include "tests/support/StandIns.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QJsonDocument>

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

} // namespace

Q_DECLARE_METATYPE(Start)

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
};

WISPLET_TEST_MAIN(TestNotesStore)
#include "tst_notesstore.moc"
