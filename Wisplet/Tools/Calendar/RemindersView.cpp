#include "Wisplet/Tools/Calendar/RemindersView.h"

#include "Wisplet/Base/Colours.h"
#include "Wisplet/Base/FileChooserDialog.h"
#include "Wisplet/Base/KeyboardPaths.h"
#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Tools/Calendar/PaintedList.h"
#include "Wisplet/Tools/Calendar/ReminderListModel.h"
#include "Wisplet/Tools/Calendar/ReminderRow.h"
#include "Wisplet/Tools/Calendar/ReminderStore.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QColor white(double opacity)
{
    return QColor(255, 255, 255, int(opacity * 255 + 0.5));
}

} // namespace

RemindersView::RemindersView(ReminderStore& reminders, WispState& wisp, QWidget* parent)
    : QWidget(parent)
    , m_reminders(reminders)
    , m_wisp(wisp)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(buildAccess());
    layout->addWidget(buildList(), 1);
    m_message = toolLabel({}, 10, warningOrange, this);
    m_message->setWordWrap(true);
    layout->addWidget(m_message);
    connect(&m_reminders, &ReminderStore::changed, this, &RemindersView::showStore);
    // A reminder that could not be written comes back to an empty field, so it can be sent again.
    connect(&m_reminders, &ReminderStore::addFailed, this, [this](const QString& title) {
        if (m_title->text().isEmpty())
            m_title->setText(title);
    });
    showStore();
}

void RemindersView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_reminders.refreshReminders();
}

QWidget* RemindersView::buildAccess()
{
    m_access = new QWidget(this);
    auto* column = new QVBoxLayout(m_access);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    auto* text =
        toolLabel(tr("Reminders access is separate from Calendar access. Enable it to view, add and complete tasks."),
                  11, white(0.6), m_access);
    text->setWordWrap(true);
    column->addWidget(text);
    auto* allow = new PillButton(tr("Allow Reminders access"), QStringLiteral("checkmark.circle"), true, m_access);
    connect(allow, &QAbstractButton::clicked, this, &RemindersView::chooseFolder);
    column->addWidget(allow, 0, Qt::AlignLeft);
    column->addStretch();
    return m_access;
}

QWidget* RemindersView::buildList()
{
    m_list = new QWidget(this);
    auto* column = new QVBoxLayout(m_list);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);

    auto* header = new QHBoxLayout;
    header->setSpacing(6);
    m_title = new QLineEdit(m_list);
    m_title->setPlaceholderText(tr("New reminder"));
    m_title->setStyleSheet(QStringLiteral("QLineEdit { color: white; background: rgba(255,255,255,0.1);"
                                          " border: none; border-radius: 6px; padding: 4px 8px; }"));
    connect(m_title, &QLineEdit::returnPressed, this, &RemindersView::add);
    connect(m_title, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_add->setEnabled(!text.trimmed().isEmpty()); });
    header->addWidget(m_title, 1);
    m_add = new QPushButton(tr("Add"), m_list);
    m_add->setEnabled(false);
    m_add->setStyleSheet(
        QStringLiteral("QPushButton { color: white; background: rgba(255,255,255,0.16);"
                       " border-radius: 6px; padding: 2px 10px; }"
                       "QPushButton:disabled { color: rgba(255,255,255,0.35); background: rgba(255,255,255,0.08); }")
        + KeyboardPaths::focusRingRules(QStringLiteral("QPushButton")));
    connect(m_add, &QAbstractButton::clicked, this, &RemindersView::add);
    header->addWidget(m_add);
    auto* refresh =
        toolSymbolButton(QStringLiteral("arrow.clockwise"), tr("Refresh reminders"), white(0.75), 16, m_list);
    connect(refresh, &QAbstractButton::clicked, &m_reminders, &ReminderStore::refreshReminders);
    header->addWidget(refresh);
    column->addLayout(header);

    m_model = new ReminderListModel(this);
    auto* rows = new ReminderRow;
    connect(rows, &ReminderRow::completeRequested, this, &RemindersView::complete);
    m_rows = paintedList(m_model, rows, m_list);
    // Rows are as tall as their wrapped titles: measured again when the width changes, and a long list a
    // part at a time, never all at once.
    m_rows->setResizeMode(QListView::Adjust);
    m_rows->setLayoutMode(QListView::Batched);
    m_rows->installEventFilter(this);
    column->addWidget(m_rows, 1);
    m_empty = toolLabel({}, 11, white(0.5), m_list);
    column->addWidget(m_empty);
    // Takes the room when there is no list.
    column->addStretch();
    return m_list;
}

void RemindersView::showStore()
{
    m_access->setVisible(!m_reminders.allowed());
    m_list->setVisible(m_reminders.allowed());
    m_message->setText(m_reminders.message());
    m_message->setVisible(!m_reminders.message().isEmpty());
    m_model->setValues(m_reminders.items());
    m_rows->setVisible(!m_reminders.items().isEmpty());
    // Until the first fetch ends, an empty list is not yet known to be empty.
    m_empty->setText(m_reminders.isReadingFirst() ? tr("Reading the reminders…") : tr("No incomplete reminders"));
    m_empty->setVisible(m_reminders.items().isEmpty());
}

void RemindersView::complete(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    // A copy: completing refreshes the list the row came from.
    const Reminder reminder = m_model->values().at(index.row());
    m_reminders.completeReminder(reminder);
}

bool RemindersView::eventFilter(QObject* watched, QEvent* event)
{
    // Space on the current row does what its circle does, as on a focused button.
    if (watched == m_rows && event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space
        && m_rows->currentIndex().isValid()) {
        complete(m_rows->currentIndex());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void RemindersView::add()
{
    // The typed text stays after a failure, so that it can be sent again.
    if (m_reminders.addReminder(m_title->text()))
        m_title->clear();
}

void RemindersView::chooseFolder()
{
    m_wisp.setPinnedOpen(true);
    ReminderStore* reminders = &m_reminders;
    FileChooserDialog::choose(this, tr("Choose a reminders folder"), [reminders](const QStringList& paths) {
        if (!paths.isEmpty())
            reminders->requestRemindersAccess(paths.first());
    });
}
