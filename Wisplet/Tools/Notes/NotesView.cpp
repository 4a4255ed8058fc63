#include "Wisplet/Tools/Notes/NotesView.h"

#include "Wisplet/Base/Graphemes.h"
#include "Wisplet/Base/KeyboardPaths.h"
#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Base/SearchField.h"
#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Notch/NotchLayout.h"
#include "Wisplet/Notch/RingedListView.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Tools/Notes/NoteListModel.h"
#include "Wisplet/Tools/Notes/NoteRules.h"
#include "Wisplet/Tools/Notes/NotesStore.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int columnSpacing = 16;
constexpr int listWidth = 172;
constexpr int rowSpacing = 10;
constexpr int bodyPixels = 14;
constexpr int bodyMargin = 10;
constexpr double bodyRadius = 12;
constexpr double bodyOpacity = 0.07;
constexpr int footerPixels = 12;
constexpr int captionPixels = 11;
constexpr int symbolPixels = 14;
constexpr int emptySymbolPixels = 32;
constexpr double secondaryOpacity = 0.6;
constexpr double selectionOpacity = 0.16;

QFont fontOfSize(const QFont& base, int pixels, QFont::Weight weight = QFont::Normal)
{
    QFont font = base;
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    palette.setColor(QPalette::Text, colour);
    palette.setColor(QPalette::PlaceholderText, NotchLayout::whiteAt(0.4));
    widget->setPalette(palette);
}

// Drawn straight on what lies behind, white text.
void clearBackground(QWidget* widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Qt::white);
    widget->setPalette(palette);
}

QToolButton* iconButton(const QString& symbol, const QString& tooltip, QWidget* parent)
{
    QToolButton* button = toolSymbolButton(symbol, tooltip, Qt::white, symbolPixels, parent);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

// The body's rounded, faintly lit backing; the editor inside it draws no background of its own.
class BodyBacking final : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        NotchLayout::fillRounded(painter, QRectF(rect()), bodyRadius, bodyOpacity);
    }
};

} // namespace

NotesView::NotesView(NotesStore& store, WispState& wisp, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_wisp(wisp)
{
    setTextColour(this, Qt::white);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(columnSpacing);
    row->addWidget(buildListColumn(), 0, Qt::AlignTop);
    row->addWidget(buildEditorColumn(), 1);

    connect(&m_store, &NotesStore::notesChanged, this, [this] {
        fillList();
        showSelected();
    });
    // The list is not rebuilt here: the change may come from its own selection signal.
    connect(&m_store, &NotesStore::selectedIDChanged, this, [this] {
        m_confirmation->hide();
        selectInList();
        showSelected();
    });
    connect(&m_store, &NotesStore::saveStatusChanged, this, &NotesView::showStatus);
    connect(&m_store, &NotesStore::noticeChanged, this, &NotesView::showNotice);
    fillList();
    showSelected();
    showStatus();
    showNotice();
}

QWidget* NotesView::buildListColumn()
{
    auto* column = new QWidget(this);
    column->setFixedWidth(listWidth);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(rowSpacing);

    auto* search = new SearchField(QStringLiteral("Search notes"), column);
    m_search = search->lineEdit();
    m_search->setClearButtonEnabled(true);
    connect(m_search, &QLineEdit::textChanged, this, &NotesView::fillList);

    m_model = new NoteListModel(symbolIcon(QStringLiteral("pin.fill"), Qt::white),
                                symbolIcon(QStringLiteral("note.text"), Qt::white), this);
    m_list = new RingedListView(column);
    m_list->setModel(m_model);
    // Every row is one line: the list lays out any number of notes without asking each for its size.
    m_list->setUniformItemSizes(true);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setIconSize(QSize(symbolPixels, symbolPixels));
    m_list->setTextElideMode(Qt::ElideRight);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A faint selection, the same whether or not the panel has the focus, so the white symbols stay visible.
    QPalette listPalette = m_list->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        listPalette.setColor(group, QPalette::Highlight, NotchLayout::whiteAt(selectionOpacity));
        listPalette.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    // The island shows through, as behind the other pages' lists.
    listPalette.setColor(QPalette::Base, Qt::transparent);
    m_list->setPalette(listPalette);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (current.isValid() && !m_showingSelection)
            m_store.setSelectedID(current.data(NoteListModel::idRole).toUuid());
    });

    m_newNote = new PillButton(QStringLiteral("New note"), QStringLiteral("plus"), false, column);
    connect(m_newNote, &QAbstractButton::clicked, this, [this] {
        // The new note must be visible to be edited.
        m_search->clear();
        m_store.newNote();
        // Typing goes on in the new note, not to the button, where a space would make yet another note, nor to
        // the program the keyboard was with before the click.
        giveKeyboardTo(m_body);
    });

    layout->addWidget(search);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_newNote);
    return column;
}

QWidget* NotesView::buildEditorColumn()
{
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(rowSpacing);
    m_editorStack = new QStackedWidget(column);
    m_editorStack->addWidget(buildEmptyEditor());
    m_editor = buildEditor();
    m_editorStack->addWidget(m_editor);
    m_exportErrorLabel = new QLabel(column);
    m_exportErrorLabel->setTextFormat(Qt::PlainText);
    m_exportErrorLabel->setFont(fontOfSize(font(), captionPixels));
    m_exportErrorLabel->setWordWrap(true);
    setTextColour(m_exportErrorLabel, QColor(0xff, 0x9f, 0x0a));
    m_exportErrorLabel->hide();
    m_noticeLabel = new QLabel(column);
    m_noticeLabel->setFont(fontOfSize(font(), captionPixels));
    m_noticeLabel->setWordWrap(true);
    m_noticeLabel->setTextFormat(Qt::PlainText);
    setTextColour(m_noticeLabel, NotchLayout::whiteAt(secondaryOpacity));
    m_noticeLabel->hide();
    layout->addWidget(m_editorStack, 1);
    layout->addWidget(m_noticeLabel);
    layout->addWidget(m_exportErrorLabel);
    return column;
}

QWidget* NotesView::buildEmptyEditor()
{
    auto* empty = new QWidget(this);
    auto* layout = new QVBoxLayout(empty);
    layout->setSpacing(6);
    auto* symbol = new QLabel(empty);
    symbol->setPixmap(symbolPixmap(QStringLiteral("note.text"), QSize(emptySymbolPixels, emptySymbolPixels),
                                   NotchLayout::whiteAt(secondaryOpacity), devicePixelRatioF()));
    auto* title = new QLabel(QStringLiteral("Your next idea starts here"), empty);
    title->setFont(headlineFont(font()));
    setTextColour(title, Qt::white);
    m_emptyDescription = new QLabel(empty);
    m_emptyDescription->setWordWrap(true);
    m_emptyDescription->setAlignment(Qt::AlignCenter);
    setTextColour(m_emptyDescription, NotchLayout::whiteAt(secondaryOpacity));
    layout->addStretch();
    layout->addWidget(symbol, 0, Qt::AlignHCenter);
    layout->addWidget(title, 0, Qt::AlignHCenter);
    layout->addWidget(m_emptyDescription);
    layout->addStretch();
    return empty;
}

QWidget* NotesView::buildEditor()
{
    auto* editor = new QWidget(this);
    auto* layout = new QVBoxLayout(editor);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(rowSpacing);

    auto* header = new QHBoxLayout;
    m_title = new QLineEdit(editor);
    m_title->setFrame(false);
    m_title->setPlaceholderText(QStringLiteral("Note title"));
    m_title->setFont(headlineFont(font()));
    clearBackground(m_title);
    connect(m_title, &QLineEdit::textEdited, this, [this](const QString& title) {
        m_store.update(title, std::nullopt);
        showSelected();
    });
    m_pin = iconButton(QStringLiteral("pin"), QStringLiteral("Pin note"), editor);
    connect(m_pin, &QToolButton::clicked, &m_store, &NotesStore::togglePin);
    QToolButton* exportButton =
        iconButton(QStringLiteral("square.and.arrow.up"), QStringLiteral("Export as text"), editor);
    connect(exportButton, &QToolButton::clicked, this, &NotesView::startExport);
    QToolButton* deleteButton = iconButton(QStringLiteral("trash"), QStringLiteral("Delete note"), editor);
    connect(deleteButton, &QToolButton::clicked, this, [this] { m_confirmation->show(); });
    header->addWidget(m_title, 1);
    header->addWidget(m_pin);
    header->addWidget(exportButton);
    header->addWidget(deleteButton);

    auto* footer = new QHBoxLayout;
    m_wordCount = new QLabel(editor);
    m_wordCount->setFont(fontOfSize(font(), footerPixels));
    setTextColour(m_wordCount, NotchLayout::whiteAt(secondaryOpacity));
    m_status = new QPushButton(editor);
    m_status->setFlat(true);
    m_status->setFont(fontOfSize(font(), footerPixels));
    m_status->setToolTip(QStringLiteral("Save now"));
    m_status->setCursor(Qt::PointingHandCursor);
    m_status->setStyleSheet(QStringLiteral("QPushButton { background: transparent; border-radius: 4px; padding: 0 2px; }")
                            + KeyboardPaths::focusRingRules(QStringLiteral("QPushButton")));
    setTextColour(m_status, NotchLayout::whiteAt(secondaryOpacity));
    connect(m_status, &QPushButton::clicked, &m_store, [this] { m_store.save(); });
    footer->addWidget(m_wordCount);
    footer->addStretch();
    footer->addWidget(m_status);

    layout->addLayout(header);
    layout->addWidget(buildDeleteConfirmation());
    layout->addWidget(buildBody(), 1);
    layout->addLayout(footer);
    return editor;
}

// The body's editor, or in its place the word that the note is too long to edit here.
QWidget* NotesView::buildBody()
{
    m_bodyStack = new QStackedWidget(this);
    m_bodyBacking = new BodyBacking(m_bodyStack);
    auto* backingLayout = new QVBoxLayout(m_bodyBacking);
    backingLayout->setContentsMargins(bodyMargin, bodyMargin, bodyMargin, bodyMargin);
    m_body = new QPlainTextEdit(m_bodyBacking);
    m_body->setFrameShape(QFrame::NoFrame);
    m_body->setFont(fontOfSize(font(), bodyPixels));
    m_body->viewport()->setAutoFillBackground(false);
    clearBackground(m_body);
    m_body->document()->setDocumentMargin(0);
    connect(m_body, &QPlainTextEdit::textChanged, this, [this] {
        m_store.update(std::nullopt, m_body->toPlainText());
        showSelected();
    });
    backingLayout->addWidget(m_body);

    m_tooLong = new QLabel(QStringLiteral("This note is too long to edit here. It is kept whole: export it to read "
                                          "or change it in another program."),
                           m_bodyStack);
    m_tooLong->setWordWrap(true);
    m_tooLong->setAlignment(Qt::AlignCenter);
    setTextColour(m_tooLong, NotchLayout::whiteAt(secondaryOpacity));
    m_bodyStack->addWidget(m_bodyBacking);
    m_bodyStack->addWidget(m_tooLong);
    return m_bodyStack;
}

// Asked inside the panel: a separate window would take the focus from the panel and let it collapse.
QWidget* NotesView::buildDeleteConfirmation()
{
    m_confirmation = new QWidget(this);
    auto* layout = new QVBoxLayout(m_confirmation);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* title = new QLabel(QStringLiteral("Delete this note?"), m_confirmation);
    title->setFont(headlineFont(font()));
    setTextColour(title, Qt::white);
    auto* message = new QLabel(QStringLiteral("This removes the note from Wisp. Export a copy first if you need it."),
                               m_confirmation);
    message->setWordWrap(true);
    setTextColour(message, NotchLayout::whiteAt(secondaryOpacity));
    auto* buttons = new QHBoxLayout;
    auto* cancel = new PillButton(QStringLiteral("Cancel"), QString(), false, m_confirmation);
    auto* remove = new PillButton(QStringLiteral("Delete"), QStringLiteral("trash"), true, m_confirmation);
    connect(cancel, &PillButton::clicked, m_confirmation, &QWidget::hide);
    connect(remove, &PillButton::clicked, this, [this] {
        m_confirmation->hide();
        m_store.deleteSelected();
    });
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(remove);
    layout->addWidget(title);
    layout->addWidget(message);
    layout->addLayout(buttons);
    m_confirmation->hide();
    return m_confirmation;
}

void NotesView::fillList()
{
    const QScopedValueRollback showing(m_showingSelection, true);
    m_model->setNotes(m_store.filteredNotes(m_search->text()));
    selectInList();
}

void NotesView::selectInList()
{
    const QScopedValueRollback showing(m_showingSelection, true);
    const int row = m_model->rowOf(m_store.selectedID());
    if (row >= 0)
        m_list->setCurrentIndex(m_model->index(row));
    else
        m_list->selectionModel()->clear();
}

void NotesView::showSelected()
{
    const std::optional<WispNote> note = m_store.selectedNote();
    m_newNote->setEnabled(m_store.loadedSuccessfully());
    if (!note) {
        m_confirmation->hide();
        m_emptyDescription->setText(m_store.loadedSuccessfully() ? QStringLiteral("Create a note to get started.")
                                                                 : m_store.saveStatus());
        m_editorStack->setCurrentIndex(0);
        return;
    }
    m_editorStack->setCurrentWidget(m_editor);
    // Refilled only when the store holds something else: the cursor stays where the user types, and a note
    // that grew too long while typed in stays in the editors.
    const bool inEditors = m_bodyStack->currentWidget() == m_bodyBacking && m_title->text() == note->title
        && m_body->toPlainText() == note->text;
    if (!inEditors)
        fillEditors(*note);
    m_title->setReadOnly(!m_store.loadedSuccessfully() || m_bodyStack->currentWidget() == m_tooLong);
    m_body->setReadOnly(!m_store.loadedSuccessfully());
    m_pin->setIcon(symbolIcon(note->pinned ? QStringLiteral("pin.fill") : QStringLiteral("pin"), Qt::white));
    m_wordCount->setText(QStringLiteral("%1 words").arg(NoteRules::wordCount(note->text)));
}

void NotesView::fillEditors(const WispNote& note)
{
    const QSignalBlocker titleBlocker(m_title);
    const QSignalBlocker bodyBlocker(m_body);
    if (NoteRules::tooLongToEdit(note)) {
        // A cut title only ever shows: the field is read-only.
        m_title->setText(Graphemes::leading(note.title, NoteListModel::maxTitleCharacters));
        m_body->clear();
        m_bodyStack->setCurrentWidget(m_tooLong);
        return;
    }
    if (m_title->text() != note.title)
        m_title->setText(note.title);
    if (m_body->toPlainText() != note.text)
        m_body->setPlainText(note.text);
    m_bodyStack->setCurrentWidget(m_bodyBacking);
}

void NotesView::showStatus()
{
    m_status->setText(m_store.saveStatus());
    if (!m_store.selectedNote())
        showSelected();
}

void NotesView::showNotice()
{
    m_noticeLabel->setText(m_store.notice());
    m_noticeLabel->setVisible(!m_store.notice().isEmpty());
}

void NotesView::startExport()
{
    const std::optional<WispNote> note = m_store.selectedNote();
    if (!note)
        return;
    // The island must not collapse under the dialog.
    m_wisp.setPinnedOpen(true);
    auto* dialog = new QFileDialog(window(), QStringLiteral("Export as text"), QDir::homePath());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilter(QStringLiteral("Plain text (*.txt)"));
    dialog->selectFile(NoteRules::exportFileName(note->title));
    const QPointer<NotesView> view(this);
    connect(dialog, &QFileDialog::fileSelected, dialog, [view, text = note->text](const QString& path) {
        if (path.isEmpty())
            return;
        const QString error = NoteRules::writeText(path, text);
        if (view)
            view->setExportError(error.isEmpty() ? QString() : QStringLiteral("Could not export: ") + error);
    });
    dialog->open();
}

void NotesView::setExportError(const QString& error)
{
    m_exportError = error;
    m_exportErrorLabel->setText(error);
    m_exportErrorLabel->setVisible(!error.isEmpty());
}
