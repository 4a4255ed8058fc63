#pragma once

#include <QDateTime>
#include <QDeadlineTimer>
#include <QFuture>
#include <QList>
#include <QString>

// One incomplete to-do as the reminders list shows it, and what finds it again in its file.
struct Reminder
{
    QString file; // the file's name inside the folder
    QString uid;
    QString recurrenceId; // as written; empty for a to-do that is not one occurrence of a series
    QString title;
    QDateTime due; // invalid without a due date
    bool dueIsDate = false; // DUE is a date without a time

    // Unique within a folder: a file may hold several to-dos, and a series several occurrences.
    QString identifier() const { return file + u'/' + uid + u'/' + recurrenceId; }

    bool operator==(const Reminder&) const = default;
};

// An add or a completion, as it is kept while it is not written: one that failed, or that quitting stopped.
struct ReminderWrite
{
    enum class Kind { add, complete };
    Kind kind = Kind::add;
    QString folder;
    // For an add: its file ("<uid>.ics"), uid and title.
    Reminder reminder;
    QDateTime at;

    bool operator==(const ReminderWrite&) const = default;
};

// What one reading of the reminders folder gave.
struct ReminderScan
{
    QList<Reminder> items;
    // What was left out, for the user; empty when everything was read.
    QString message;
};

// The user's reminders: a folder of iCalendar files with to-dos, as todoman and vdirsyncer keep them.
// Failures come back as a message for the user; an empty message is success. Reading and writing the files
// happens where the program can stop it; the futures finish on the calling thread.
class RemindersSource
{
public:
    RemindersSource() = default;
    virtual ~RemindersSource() = default;
    Q_DISABLE_COPY_MOVE(RemindersSource)

    // A readable, writable directory.
    virtual bool isUsable(const QString& folder) const = 0;
    // Why a chosen folder is not usable, in the user's words; empty when it is, or when none is chosen.
    virtual QString problem(const QString& folder) const = 0;
    // Creates the folder when missing and checks that files can be listed, made and removed there.
    virtual QString prepare(const QString& folder) = 0;
    // Every incomplete to-do, by file name and then in file order, within limits of size and work.
    virtual QFuture<ReminderScan> fetch(const QString& folder) = 0;
    // Stops the fetches under way; their futures give an empty scan.
    virtual void stopFetching() = 0;
    // A new file "<uid>.ics" with one to-do.
    virtual QFuture<QString> add(const QString& folder, const QString& uid, const QString& title,
                                 const QDateTime& now) = 0;
    // Marks the matching to-do completed and leaves everything else in its file as it was.
    virtual QFuture<QString> complete(const QString& folder, const Reminder& reminder, const QDateTime& now) = 0;
    // Blocks until the adds and completions under way are written or the deadline passes; those still under
    // way then are stopped, leaving their files as they were and no temporary behind, and are returned. For
    // quitting.
    virtual QList<ReminderWrite> finishWrites(QDeadlineTimer deadline) = 0;
    // Whether a write that failed so could still be written by trying again: not when what it was for is gone
    // (its folder, or the to-do it completes) or already there (an add's file).
    virtual bool worthRetrying(const ReminderWrite& write, const QString& error) const = 0;
};
