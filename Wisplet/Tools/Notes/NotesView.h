#pragma once

#include <QWidget>

class NotesStore;
class QLabel;
class QLineEdit;
class QListWidget;
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
// never jumps while the user types.
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
    QWidget* buildDeleteConfirmation();

    void fillList();
    void selectInList();
    void showSelected();
    void showStatus();
    void startExport();
    void setExportError(const QString& error);

    NotesStore& m_store;
    WispState& m_wisp;
    QString m_exportError;

    QLineEdit* m_search = nullptr;
    QListWidget* m_list = nullptr;
    PillButton* m_newNote = nullptr;
    QStackedWidget* m_editorStack = nullptr;
    QLabel* m_emptyDescription = nullptr;
    QWidget* m_editor = nullptr;
    QLineEdit* m_title = nullptr;
    QToolButton* m_pin = nullptr;
    QPlainTextEdit* m_body = nullptr;
    QLabel* m_wordCount = nullptr;
    QPushButton* m_status = nullptr;
    QWidget* m_confirmation = nullptr;
    QLabel* m_exportErrorLabel = nullptr;
};
