#pragma once

#include "Wisplet/Platform/RemindersSource.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

class AppSettings;
class Clock;
class Defaults;
class ToolRegistry;

// The calendar tool's reminders: the incomplete to-dos of the chosen folder, earliest due first. It has no
// timer and no watcher; the reminders page refreshes it when shown, on its refresh button and after each
// change made here. A fetch carries the generation it started under; its result is dropped when the
// generation has moved on.
class ReminderStore final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReminderStore)

public:
    static inline const QString folderKey = QStringLiteral("reminders.folder");

    struct Services
    {
        Defaults& defaults;
        Clock& clock;
        RemindersSource& source;
        AppSettings& settings;
        ToolRegistry& registry;
    };

    static ReminderStore& shared();

    explicit ReminderStore(Services services, QObject* parent = nullptr);

    QUuid generation() const { return m_generation; }
    const QList<Reminder>& items() const { return m_items; }
    bool allowed() const { return m_allowed; }
    // The last failure or hint for the user; empty when there is none.
    QString message() const { return m_message; }
    QString folder() const;

    // Uses the folder (made when missing) for reminders from now on, when files can be made there.
    void requestRemindersAccess(const QString& folder);
    // Starts a fetch while the folder is usable, the calendar tool is on and presentation mode is off.
    void refreshReminders();
    void addReminder(const QString& text);
    void completeReminder(const Reminder& reminder);

    // Signals only when they differ, so the list keeps its place on a refresh that found nothing new.
    void setItems(const QList<Reminder>& items);
    // A new generation and no items: whatever is still being fetched is dropped.
    void clear();

    // Earliest due first; undated last; equal keys keep their order.
    static QList<Reminder> sortedByDue(QList<Reminder> reminders);

signals:
    void itemsChanged(const QList<Reminder>& items);
    void allowedChanged(bool allowed);
    void messageChanged(const QString& message);
    void changed();

private:
    void setAllowed(bool allowed);
    void setMessage(const QString& message);
    // What the folder itself says (gone, files skipped); it replaces an older one of its kind, never a failure
    // of the user's last action.
    void setSourceMessage(const QString& message);

    Services m_services;
    QUuid m_generation = QUuid::createUuid();
    QList<Reminder> m_items;
    bool m_allowed = false;
    QString m_message;
    QString m_sourceMessage;
};
