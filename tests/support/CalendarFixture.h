#pragma once

#include "Wisplet/Base/Notifier.h"
#include "Wisplet/Platform/CalendarSource.h"
#include "Wisplet/Platform/NotificationServer.h"
#include "Wisplet/Tools/Calendar/CalendarTool.h"
#include "Wisplet/Tools/Calendar/ReminderStore.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/Texts.h"

#include <QPromise>

#include <memory>
#include <utility>

// A calendar that holds whatever events the test puts in it, readable once a path is set. Readings are
// answered at once, or, while `holding`, kept open until the test finishes them.
class FakeCalendar final : public CalendarSource
{
public:
    using Held = std::shared_ptr<QPromise<CalendarReading>>;

    // As the real calendar does, a reading stopped before it ended gives an empty one.
    ~FakeCalendar() override
    {
        for (const Held& promise : std::as_const(held)) {
            promise->addResult(CalendarReading());
            promise->finish();
        }
    }

    void setPath(const QString& path) override { m_path = path; }
    QString path() const override { return m_path; }
    Access access() const override
    {
        return m_path.isEmpty() ? Access::unset : readable ? Access::readable : Access::unreadable;
    }
    QString problem() const override { return access() == Access::unreadable ? QStringLiteral("gone") : QString(); }
    QFuture<CalendarReading> read(const QDateTime&, const QDateTime&) override
    {
        ++reads;
        if (!holding)
            return QtFuture::makeReadyFuture(reading());
        auto promise = std::make_shared<QPromise<CalendarReading>>();
        promise->start();
        held.append(promise);
        return promise->future();
    }
    void cancel() override { }
    void setWatching(bool) override { }

    // Finishes the oldest held reading with what is stored now.
    void finishOldest()
    {
        const Held promise = held.takeFirst();
        promise->addResult(reading());
        promise->finish();
    }

    CalendarReading reading() const { return CalendarReading{stored, unreadableReading, message, stillReading}; }

    QList<CalendarEvent> stored;
    bool readable = true;
    bool unreadableReading = false;
    QString message;
    bool stillReading = false;
    bool holding = false;
    int reads = 0;
    QList<Held> held;

private:
    QString m_path;
};

// An undated reminder unless a due time is given, in a file of its own.
inline Reminder reminderTitled(const QString& title, const QDateTime& due = {})
{
    return Reminder{title + QStringLiteral(".ics"), title, {}, title, due, false};
}

inline QStringList reminderTitles(const QList<Reminder>& reminders)
{
    return textsOf(reminders, &Reminder::title);
}

// A reminders folder in memory: fetches stay open until the test finishes them.
class FakeReminders final : public RemindersSource
{
public:
    bool isUsable(const QString& folder) const override { return usable && !folder.isEmpty(); }
    QString problem(const QString& folder) const override
    {
        return usable || folder.isEmpty() ? QString() : QStringLiteral("gone");
    }
    QString prepare(const QString&) override { return prepareError; }
    QFuture<ReminderScan> fetch(const QString&) override
    {
        auto promise = std::make_shared<QPromise<ReminderScan>>();
        promise->start();
        fetches.append(promise);
        return promise->future();
    }
    void stopFetching() override { }
    QFuture<QString> add(const QString&, const QString& uid, const QString& title, const QDateTime&) override
    {
        added.append(title);
        addedUids.append(uid);
        return QtFuture::makeReadyFuture(writeError);
    }
    QFuture<QString> complete(const QString&, const Reminder& reminder, const QDateTime&) override
    {
        completed.append(reminder.title);
        return QtFuture::makeReadyFuture(writeError);
    }
    QList<ReminderWrite> finishWrites(QDeadlineTimer) override { return std::exchange(stopped, {}); }
    bool worthRetrying(const ReminderWrite&, const QString&) const override { return retryable; }

    // Finishes the fetch at `index` with these reminders.
    void finish(qsizetype index, const QList<Reminder>& reminders, const QString& message = {})
    {
        fetches[index]->addResult(ReminderScan{reminders, message});
        fetches[index]->finish();
    }

    void finishLast(const QList<Reminder>& reminders, const QString& message = {})
    {
        finish(fetches.size() - 1, reminders, message);
    }

    bool usable = true;
    QString prepareError;
    QString writeError;
    bool retryable = true;
    QStringList added;
    QStringList addedUids;
    QStringList completed;
    // What the next finishWrites() says it stopped.
    QList<ReminderWrite> stopped;
    QList<std::shared_ptr<QPromise<ReminderScan>>> fetches;
};

// Keeps what was posted; never answers.
class RecordingNotificationServer final : public NotificationServer
{
public:
    void checkAvailable(QObject*, AvailabilityHandler) override { }
    void post(const Notification& notification, QObject*, PostHandler) override { posted.append(notification); }
    QList<Notification> posted;
};

// A calendar tool over a fake calendar that has a source configured, at a fixed "now", with notifications on.
struct CalendarFixture : RegistryFixture
{
    explicit CalendarFixture(const QDateTime& now)
    {
        clock.setNow(now);
        load();
        settings.setNotificationsEnabled(true);
        notifier = std::make_unique<Notifier>(server, settings, *registry, events, true);
        reminders = std::make_unique<ReminderStore>(
            ReminderStore::Services{defaults, clock, remindersSource, settings, *registry});
        defaults.set(CalendarTool::sourceKey, QStringLiteral("/calendar"));
        tool = std::make_unique<CalendarTool>(CalendarTool::Services{
            defaults, clock, source, *reminders, *wisp, *notifier, [this](const QUrl& url) { opened.append(url); }});
    }

    FakeCalendar source;
    FakeReminders remindersSource;
    // Made once the registry is loaded.
    std::unique_ptr<ReminderStore> reminders;
    RecordingNotificationServer server;
    // Made once the registry is loaded.
    std::unique_ptr<Notifier> notifier;
    QList<QUrl> opened;
    std::unique_ptr<CalendarTool> tool;
};

// An event `inSeconds` after `now`.
inline CalendarEvent timedEvent(const QDateTime& now, const QString& title, qint64 inSeconds,
                                qint64 lengthSeconds = 1800, const QString& id = QStringLiteral("id"))
{
    CalendarEvent event;
    event.identifier = id;
    event.title = title;
    event.start = now.addSecs(inSeconds);
    event.end = event.start.addSecs(lengthSeconds);
    return event;
}
