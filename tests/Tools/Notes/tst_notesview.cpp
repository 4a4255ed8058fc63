#include "Wisplet/Tools/Notes/NoteListModel.h"
#include "Wisplet/Tools/Notes/NoteRules.h"
#include "Wisplet/Tools/Notes/NotesStore.h"
#include "Wisplet/Tools/Notes/NotesView.h"
#include "tests/support/Files.h"
#include "tests/support/FocusMarks.h"
#include "tests/support/Fixtures.h"
#include "tests/support/WidgetQuery.h"
#include "tests/support/WidgetsTestMain.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

const QByteArray twoNotes =
    R"([{"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","title":"First","text":"hello world","pinned":false,"updated":100},)"
    R"({"id":"7F9619FF-8B86-D011-B42D-00C04FC964FF","title":"","text":"x","pinned":true,"updated":50}])";

QStringList rows(const QListView& list)
{
    QStringList texts;
    for (int i = 0; i < list.model()->rowCount(); ++i)
        texts << list.model()->index(i, 0).data().toString();
    return texts;
}

QByteArray noteFile(qsizetype titleLength, qsizetype textLength)
{
    return R"([{"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","title":")" + QByteArray(titleLength, 't') + R"(","text":")"
        + QByteArray(textLength, 'x') + R"(","pinned":false,"updated":100},)"
        + R"({"id":"7F9619FF-8B86-D011-B42D-00C04FC964FF","title":"ttttt","text":"","pinned":false,"updated":50}])";
}

// A note's length in title and text, and whether it goes in the editors.
struct LengthRow
{
    qsizetype title;
    qsizetype text;
    bool editable;
};

} // namespace

Q_DECLARE_METATYPE(LengthRow)

class TestNotesView final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CompanionFixture> m_fixture;
    std::unique_ptr<TempFolder> m_folder;
    std::unique_ptr<NotesStore> m_store;
    std::unique_ptr<NotesView> m_view;

    void makeView(const QByteArray& notesFile)
    {
        m_view.reset();
        m_folder = std::make_unique<TempFolder>();
        QVERIFY(TestFiles::write(m_folder->file("notes-v2.json"), notesFile));
        m_store = std::make_unique<NotesStore>(m_fixture->clock, m_fixture->scheduler, m_folder->path());
        m_view = std::make_unique<NotesView>(*m_store, *m_fixture->wisp);
        m_view->resize(640, 380);
        m_view->show();
    }

    QPlainTextEdit* body() { return m_view->findChild<QPlainTextEdit*>(); }
    QListView* list() { return m_view->findChild<QListView*>(); }
    void selectRow(int row) { list()->setCurrentIndex(list()->model()->index(row, 0)); }
    QLineEdit* field(const QString& placeholder)
    {
        return childWhere<QLineEdit>(*m_view,
                                     [&](const QLineEdit* field) { return field->placeholderText() == placeholder; });
    }

private slots:
    void init() { m_fixture = std::make_unique<CompanionFixture>(); }

    void cleanup()
    {
        m_view.reset();
        m_store.reset();
    }

    // From the search field to the body, whose Tab is typing: each stop shows where the keyboard is.
    void everyStopShowsTheKeyboard()
    {
        makeView(twoNotes);
        FocusMarks::darken(*m_view);
        QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
        field(QStringLiteral("Search notes"))->setFocus();
        QCOMPARE(FocusMarks::stopsWithoutMark(*m_view), QString());
    }

    void showingANoteChangesNothing()
    {
        makeView(twoNotes);
        QCOMPARE(rows(*list()), (QStringList{"Untitled note", "First"}));
        selectRow(0);
        QCOMPARE(field(QStringLiteral("Note title"))->text(), QString()); // an empty title stays empty in its field
        selectRow(1);
        QCOMPARE(body()->toPlainText(), QStringLiteral("hello world"));
        QVERIFY(!m_store->isDirty());
        QCOMPARE(m_fixture->scheduler.pendingCount(), 0);
    }

    void typingKeepsTheCursorWhileASaveCompletes()
    {
        makeView(twoNotes);
        QPlainTextEdit* edit = body();
        edit->setFocus();
        QTextCursor cursor = edit->textCursor();
        cursor.setPosition(5);
        edit->setTextCursor(cursor);
        QTest::keyClicks(edit, "ish");
        QCOMPARE(m_store->selectedNote()->text, QStringLiteral("helloish world"));
        auto* status = childWithText<QPushButton>(*m_view, NotesStore::savingStatus());
        QVERIFY(status);
        m_fixture->scheduler.advance(NotesStore::saveDelayMs);
        QCOMPARE(status->text(), NotesStore::savedStatus());
        QCOMPARE(edit->textCursor().position(), 8);
        QTest::keyClicks(edit, "!");
        QCOMPARE(edit->toPlainText(), QStringLiteral("helloish! world"));
        QVERIFY(childWithText<QLabel>(*m_view, QStringLiteral("2 words")));
        QTest::keyClicks(field(QStringLiteral("Note title")), "!");
        QCOMPARE(m_store->selectedNote()->title, QStringLiteral("First!"));
        status->click(); // "Save now"
        QVERIFY(TestFiles::read(m_store->notesPath()).contains("helloish! world"));
    }

    void newNoteClearsTheSearch()
    {
        makeView(twoNotes);
        field(QStringLiteral("Search notes"))->setText(QStringLiteral("hello"));
        QCOMPARE(rows(*list()), QStringList{"First"});
        childWithText<QAbstractButton>(*m_view, QStringLiteral("New note"))->click();
        QVERIFY(field(QStringLiteral("Search notes"))->text().isEmpty());
        QCOMPARE(rows(*list()), (QStringList{"Untitled note", "Untitled note", "First"}));
        QCOMPARE(list()->currentIndex().row(), 1);
    }

    void aNoteTooLongToEditIsKeptWhole_data()
    {
        QTest::addColumn<LengthRow>("row");
        const qsizetype limit = NoteRules::maxEditableLength;
        QTest::newRow("text at the limit") << LengthRow{5, limit, true};
        QTest::newRow("text over the limit") << LengthRow{5, limit + 1, false};
        QTest::newRow("title over the limit") << LengthRow{limit + 1, 5, false};
    }

    void aNoteTooLongToEditIsKeptWhole()
    {
        QFETCH(LengthRow, row);
        makeView(noteFile(row.title, row.text));
        QCOMPARE(body()->isVisible(), row.editable);
        QCOMPARE(field(QStringLiteral("Note title"))->isReadOnly(), !row.editable);
        QCOMPARE(body()->toPlainText().size(), row.editable ? row.text : 0);
        // The pin still takes, and the text stays whole through the save.
        childWithText<QToolButton>(*m_view, QStringLiteral("Pin note"))->click();
        m_fixture->scheduler.advance(NotesStore::saveDelayMs);
        const std::optional<QList<WispNote>> saved = decodeNotes(TestFiles::read(m_store->notesPath()));
        QVERIFY(saved && saved->first().pinned);
        QCOMPARE(saved->first().title.size(), row.title);
        QCOMPARE(saved->first().text.size(), row.text);
        // A short note after it, even of the same title, is edited as usual.
        selectRow(1);
        QVERIFY(body()->isVisible());
        QVERIFY(!field(QStringLiteral("Note title"))->isReadOnly());
    }

    void theNoteBeingEditedSurvivesAnOutsideChange()
    {
        makeView(twoNotes);
        selectRow(1);
        QPlainTextEdit* edit = body();
        edit->setFocus();
        edit->moveCursor(QTextCursor::End);
        QTest::keyClicks(edit, " here");
        QVERIFY(TestFiles::write(m_store->notesPath(), QByteArray(twoNotes).replace("hello world", "changed there")));
        m_fixture->scheduler.advance(NotesStore::saveDelayMs);

        // Kept twice: the copy typed here, under a new id, is still the one in the editor, cursor and all.
        QCOMPARE(rows(*list()), (QStringList{"Untitled note", "First", "First"}));
        QCOMPARE(list()->currentIndex().data(NoteListModel::idRole).toUuid(), m_store->selectedID());
        QCOMPARE(m_store->selectedNote()->text, QStringLiteral("hello world here"));
        QCOMPARE(edit->toPlainText(), QStringLiteral("hello world here"));
        QCOMPARE(edit->textCursor().position(), 16);
        QCOMPARE(m_view->focusWidget(), edit);
        QVERIFY(childWithText<QLabel>(*m_view, NotesStore::keptTwiceNotice())->isVisible());
    }

    void afterAFailedLoadNothingTakes()
    {
        makeView("[{}]");
        QVERIFY(!childWithText<QAbstractButton>(*m_view, QStringLiteral("New note"))->isEnabled());
        QVERIFY(childWithText<QLabel>(*m_view, NotesStore::loadFailedStatus())->isVisible());
    }

    void exportWritesTheBodyAndReportsFailures()
    {
        makeView(twoNotes);
        const auto exportTo = [this](const QString& path) {
            childWithText<QToolButton>(*m_view, QStringLiteral("Export as text"))->click();
            auto* dialog = m_view->window()->findChild<QFileDialog*>();
            QVERIFY(dialog);
            QCOMPARE(dialog->selectedFiles().value(0).section(u'/', -1), QStringLiteral("First.txt"));
            emit dialog->fileSelected(path);
            dialog->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        };
        QVERIFY(m_fixture->wisp->isPinnedOpen() == false);
        exportTo(m_folder->file("taken/"));
        QVERIFY(m_fixture->wisp->isPinnedOpen());
        QVERIFY(m_view->exportError().startsWith(QStringLiteral("Could not export: ")));
        exportTo(m_folder->file("out.txt"));
        QVERIFY(m_view->exportError().isEmpty());
        QCOMPARE(TestFiles::read(m_folder->file("out.txt")), "hello world");
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestNotesView)
#include "tst_notesview.moc"
