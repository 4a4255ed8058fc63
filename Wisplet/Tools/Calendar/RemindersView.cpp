#include "Wisplet/Tools/Calendar/RemindersView.h"

#include "Wisplet/Base/Colours.h"
#include "Wisplet/Base/FileChooserDialog.h"
#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Tools/Calendar/ReminderStore.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QColor white(double opacity)
{
    return QColor(255, 255, 255, int(opacity * 255 + 0.5));
}

QWidget* reminderRow(const Reminder& reminder, ReminderStore& store, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto* complete =
        toolSymbolButton(QStringLiteral("circle"), QObject::tr("Complete ") + reminder.title, white(0.75), 16, row);
    QObject::connect(complete, &QAbstractButton::clicked, &store,
                     [&store, reminder] { store.completeReminder(reminder); });
    layout->addWidget(complete, 0, Qt::AlignVCenter);
    auto* title = toolLabel(reminder.title, 12, white(0.9), row);
    title->setWordWrap(true);
    // Two lines at most.
    title->setMaximumHeight(title->fontMetrics().lineSpacing() * 2);
    title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout->addWidget(title, 1);
    if (reminder.due.isValid()) {
        const QString date = QLocale().toString(reminder.due.toLocalTime().date(), QStringLiteral("MMM d, yyyy"));
        layout->addWidget(toolLabel(date, 11, white(0.5), row), 0, Qt::AlignVCenter);
    }
    return row;
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
    connect(&m_reminders, &ReminderStore::changed, this, &RemindersView::update);
    update();
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
        QStringLiteral("QPushButton { color: white; background: rgba(255,255,255,0.16); border: none;"
                       " border-radius: 6px; padding: 4px 12px; }"
                       "QPushButton:disabled { color: rgba(255,255,255,0.35); background: rgba(255,255,255,0.08); }"));
    connect(m_add, &QAbstractButton::clicked, this, &RemindersView::add);
    header->addWidget(m_add);
    auto* refresh =
        toolSymbolButton(QStringLiteral("arrow.clockwise"), tr("Refresh reminders"), white(0.75), 16, m_list);
    connect(refresh, &QAbstractButton::clicked, &m_reminders, &ReminderStore::refreshReminders);
    header->addWidget(refresh);
    column->addLayout(header);

    QScrollArea* scroll = toolScrollArea(m_list);
    QWidget* content = scroll->widget();
    auto* list = new QVBoxLayout(content);
    list->setContentsMargins(0, 0, 0, 0);
    list->setSpacing(7);
    m_empty = toolLabel(tr("No incomplete reminders"), 11, white(0.5), content);
    list->addWidget(m_empty);
    list->addStretch();
    column->addWidget(scroll, 1);
    return m_list;
}

void RemindersView::update()
{
    m_access->setVisible(!m_reminders.allowed());
    m_list->setVisible(m_reminders.allowed());
    m_message->setText(m_reminders.message());
    m_message->setVisible(!m_reminders.message().isEmpty());
    fillRows();
}

void RemindersView::fillRows()
{
    QWidget* content = m_empty->parentWidget();
    auto* list = static_cast<QVBoxLayout*>(content->layout());
    if (m_rows) {
        list->removeWidget(m_rows);
        // The old rows may hold the button whose click led here.
        m_rows->hide();
        m_rows->deleteLater();
    }
    m_rows = new QWidget(content);
    auto* rows = new QVBoxLayout(m_rows);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(7);
    for (const Reminder& reminder : m_reminders.items())
        rows->addWidget(reminderRow(reminder, m_reminders, m_rows));
    list->insertWidget(0, m_rows);
    m_empty->setVisible(m_reminders.items().isEmpty());
}

void RemindersView::add()
{
    m_reminders.addReminder(m_title->text());
    // The typed text stays after a failure, so that it can be sent again.
    if (m_reminders.message().isEmpty())
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
