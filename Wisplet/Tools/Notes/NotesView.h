#pragma once

#include <QWidget>

class NoteListModel;
class NotesStore;
class QLabel;
class QLineEdit;
class QListView;
class QPlainTextEdit;
class PillButton;
class QPushButton;
class QStackedWidget;
class QToolButton;
class WispState;
struct WispNote;

// The notes page: search, the list and "New note" beside an editor for the selected note with its pin,
// export and delete buttons, word count and save status. Everything shown comes from the store and every
// edit goes through it; the editors are refilled only when the store holds something else, so the cursor
// never jumps while the user types. A note too long to lay out is not put in the editors: the page says so.
class NotesView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NotesView)

public:
    NotesView(NotesStore& store, WispState& wisp, QWidget* parent = nullptr);

    QString exportError() const { return m_exportError; }

private:
    QWidget* buildListColumn();
    QWidget* buildEditorColumn();
    QWidget* buildEmptyEditor();
    QWidget* buildEditor();
    QWidget* buildBody();
    QWidget* buildDeleteConfirmation();

    void fillList();
    void selectInList();
    void showSelected();
    void fillEditors(const WispNote& note);
    void showStatus();
    void showNotice();
    void startExport();
    void setExportError(const QString& error);

    NotesStore& m_store;
    WispState& m_wisp;
    QString m_exportError;

    QLineEdit* m_search = nullptr;
    QListView* m_list = nullptr;
    NoteListModel* m_model = nullptr;
    // Set while the list shows the store's selection, so that showing it is not taken for the user's choice.
    bool m_showingSelection = false;
    PillButton* m_newNote = nullptr;
    QStackedWidget* m_editorStack = nullptr;
    QLabel* m_emptyDescription = nullptr;
    QWidget* m_editor = nullptr;
    QLineEdit* m_title = nullptr;
    QToolButton* m_pin = nullptr;
    QStackedWidget* m_bodyStack = nullptr;
    QWidget* m_bodyBacking = nullptr;
    QPlainTextEdit* m_body = nullptr;
    QLabel* m_tooLong = nullptr;
    QLabel* m_wordCount = nullptr;
    QPushButton* m_status = nullptr;
    QWidget* m_confirmation = nullptr;
    QLabel* m_exportErrorLabel = nullptr;
    QLabel* m_noticeLabel = nullptr;
};
