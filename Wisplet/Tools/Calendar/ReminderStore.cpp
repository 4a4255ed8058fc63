#include "Wisplet/Tools/Calendar/ReminderStore.h"

#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/ToolRegistry.h"
#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Platform/Calendar/ICalendarReminders.h"
#include "Wisplet/Platform/Platform.h"

#include <QFutureWatcher>

#include <algorithm>

ReminderStore& ReminderStore::shared()
{
    static ICalendarReminders source({.program = ICalendarReader::standardProgram()});
    static ReminderStore store(
        {Platform::defaults(), Platform::clock(), source, AppSettings::shared(), ToolRegistry::shared()});
    return store;
}

ReminderStore::ReminderStore(Services services, QObject* parent)
    : QObject(parent)
    , m_services(services)
{
    m_allowed = m_services.source.isUsable(folder());
}

QString ReminderStore::folder() const
{
    return m_services.defaults.string(folderKey);
}

QList<Reminder> ReminderStore::sortedByDue(QList<Reminder> reminders)
{
    std::stable_sort(reminders.begin(), reminders.end(), [](const Reminder& a, const Reminder& b) {
        if (!a.due.isValid() || !b.due.isValid())
            return a.due.isValid() && !b.due.isValid();
        return a.due < b.due;
    });
    return reminders;
}

void ReminderStore::requestRemindersAccess(const QString& folder)
{
    if (const QString error = m_services.source.prepare(folder); !error.isEmpty()) {
        setMessage(error);
        return;
    }
    m_services.defaults.set(folderKey, folder);
    setMessage({});
    setAllowed(true);
    refreshReminders();
}

void ReminderStore::refreshReminders()
{
    const QString path = folder();
    setAllowed(m_services.source.isUsable(path));
    setSourceMessage(m_services.source.problem(path));
    if (!m_allowed || !m_services.registry.enabled().contains(ToolID::calendar)
        || m_services.settings.presentationMode())
        return;
    // Whatever an older fetch would give is dropped anyway.
    m_services.source.stopFetching();
    m_generation = QUuid::createUuid();
    const QUuid generation = m_generation;
    // Parented to the store, so a fetch still out when the store goes leaves nothing behind.
    auto* watcher = new QFutureWatcher<ReminderScan>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        if (generation != m_generation || watcher->isCanceled())
            return;
        const ReminderScan scan = watcher->result();
        setItems(sortedByDue(scan.items));
        setSourceMessage(scan.message);
    });
    watcher->setFuture(m_services.source.fetch(path));
}

bool ReminderStore::addReminder(const QString& text)
{
    const QString title = text.trimmed();
    if (!m_allowed || title.isEmpty() || folder().isEmpty()) {
        setMessage(tr("Choose a default reminders list first."));
        return false;
    }
    const QString uid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    whenWritten(m_services.source.add(folder(), uid, title, m_services.clock.now()),
                [this, title](const QString& error) {
                    if (!error.isEmpty()) {
                        setMessage(error);
                        emit addFailed(title);
                        return;
                    }
                    setMessage({});
                    refreshReminders();
                });
    return true;
}

void ReminderStore::completeReminder(const Reminder& reminder)
{
    // The file is only replaced once the whole change is written, so a failure leaves the to-do open on disk
    // and in the list.
    whenWritten(m_services.source.complete(folder(), reminder, m_services.clock.now()), [this](const QString& error) {
        if (!error.isEmpty()) {
            setMessage(error);
            return;
        }
        refreshReminders();
    });
}

void ReminderStore::finishWrites()
{
    m_services.source.finishWrites(QDeadlineTimer(quitWaitMs));
}

void ReminderStore::whenWritten(const QFuture<QString>& write, std::function<void(const QString& error)> done)
{
    // Parented to the store, like a fetch's.
    auto* watcher = new QFutureWatcher<QString>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [watcher, done = std::move(done)] {
        watcher->deleteLater();
        if (!watcher->isCanceled() && watcher->future().resultCount() > 0)
            done(watcher->result());
    });
    watcher->setFuture(write);
}

void ReminderStore::setItems(const QList<Reminder>& items)
{
    if (m_items == items)
        return;
    m_items = items;
    emit itemsChanged(m_items);
    emit changed();
}

void ReminderStore::clear()
{
    m_generation = QUuid::createUuid();
    m_services.source.stopFetching();
    setItems({});
}

void ReminderStore::setAllowed(bool allowed)
{
    if (m_allowed == allowed)
        return;
    m_allowed = allowed;
    emit allowedChanged(m_allowed);
    emit changed();
}

void ReminderStore::setMessage(const QString& message)
{
    if (m_message == message)
        return;
    m_message = message;
    emit messageChanged(m_message);
    emit changed();
}

void ReminderStore::setSourceMessage(const QString& message)
{
    if (!message.isEmpty() || m_message == m_sourceMessage)
        setMessage(message);
    m_sourceMessage = message;
}
