#pragma once

#include "Wisplet/Platform/RemindersSource.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <functional>

class AppSettings;
class Clock;
class Defaults;
class ToolRegistry;

// The calendar tool's reminders: the incomplete to-dos of the chosen folder, earliest due first. It has no
// timer and no watcher; the reminders page refreshes it when shown, on its refresh button and after each
// change made here. A fetch carries the generation it started under; its result is dropped when the
// generation has moved on. Adds and completions are written in the background; a failure is said in
// `message` when it comes back.
class ReminderStore final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReminderStore)

public:
    static inline const QString folderKey = QStringLiteral("reminders.folder");
    // Adds and completions that quitting stopped half-way, done at the next start.
    static inline const QString stoppedWritesKey = QStringLiteral("reminders.unfinishedWrites");
    // How long quitting waits for an add or a completion under way.
    static constexpr int quitWaitMs = 1'000;

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
    // The list is being read and has not been since it was last emptied: an empty list says nothing yet.
    bool isReadingFirst() const { return m_readingFirst; }

    // Uses the folder (made when missing) for reminders from now on, when files can be made there.
    void requestRemindersAccess(const QString& folder);
    // Starts a fetch while the folder is usable, the calendar tool is on and presentation mode is off.
    void refreshReminders();
    // False when the text is refused at once (the message says why); otherwise the reminder is being written.
    bool addReminder(const QString& text);
    void completeReminder(const Reminder& reminder);
    // At quit: lets the adds and completions under way finish, for a short while at most; those it stops are
    // kept and done at the next start.
    void finishWrites();

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
    // The reminder with this title could not be written; the message says why.
    void addFailed(const QString& title);
    void changed();

private:
    void setAllowed(bool allowed);
    void setMessage(const QString& message);
    void setReadingFirst(bool readingFirst);
    // Does what the last run stopped half-way, once.
    void resumeStoppedWrites();
    // What the folder itself says (gone, files skipped); it replaces an older one of its kind, never a failure
    // of the user's last action.
    void setSourceMessage(const QString& message);
    // Calls `done` with the write's error (empty on success) once it is written.
    void whenWritten(const QFuture<QString>& write, std::function<void(const QString& error)> done);

    Services m_services;
    QUuid m_generation = QUuid::createUuid();
    QList<Reminder> m_items;
    bool m_allowed = false;
    QString m_message;
    QString m_sourceMessage;
    // No fetch has come back since the list was emptied.
    bool m_unread = true;
    bool m_readingFirst = false;
};
