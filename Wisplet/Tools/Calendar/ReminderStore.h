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
// generation has moved on. Adds and completions are written in the background; a failure is said in
// `message` when it comes back.
class ReminderStore final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReminderStore)

public:
    static inline const QString folderKey = QStringLiteral("reminders.folder");
    // Adds and completions not written yet (under way, failed, or stopped by a quit), kept from the moment
    // each write starts until it has landed, so that a kill loses none of them.
    static inline const QString unwrittenKey = QStringLiteral("reminders.unfinishedWrites");

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
    // The title of an add that failed writes that same reminder again.
    bool addReminder(const QString& text);
    void completeReminder(const Reminder& reminder);
    // The adds and completions not written yet, in order: those under way, and those that failed or were
    // stopped, which are tried again at quit and at the next start.
    const QList<ReminderWrite>& unwritten() const { return m_unwritten; }
    // At quit: tries the failed ones again and lets them and those under way finish until the deadline; what
    // it stops stays kept for the next start. True when nothing is left unwritten.
    bool finishWrites(QDeadlineTimer deadline);

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
    // Tries again what the last run left unwritten.
    void resumeUnwritten();
    bool isWriting(const ReminderWrite& write) const;
    void write(const ReminderWrite& write);
    void written(const ReminderWrite& write, const QString& error);
    // Kept in the defaults as well, so a kill loses none of them; a newer try of the same change replaces it.
    void keep(const ReminderWrite& write);
    void settle(const ReminderWrite& write);
    void storeUnwritten();
    // What the folder itself says (gone, files skipped); it replaces an older one of its kind, never a failure
    // of the user's last action.
    void setSourceMessage(const QString& message);

    Services m_services;
    QUuid m_generation = QUuid::createUuid();
    QList<Reminder> m_items;
    QList<ReminderWrite> m_unwritten;
    QList<ReminderWrite> m_writing;
    bool m_allowed = false;
    QString m_message;
    QString m_sourceMessage;
    // No fetch has come back since the list was emptied.
    bool m_unread = true;
    bool m_readingFirst = false;
};
