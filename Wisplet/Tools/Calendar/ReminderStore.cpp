#include "Wisplet/Tools/Calendar/ReminderStore.h"

#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/ToolRegistry.h"
#include "Wisplet/Platform/Calendar/ICalendarReminders.h"
#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Platform/Platform.h"

#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>

#include <algorithm>

using namespace Qt::StringLiterals;

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
    resumeStoppedWrites();
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
    m_unread = true;
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
        m_unread = false;
        setReadingFirst(false);
        const ReminderScan scan = watcher->result();
        setItems(sortedByDue(scan.items));
        setSourceMessage(scan.message);
    });
    watcher->setFuture(m_services.source.fetch(path));
    setReadingFirst(m_unread);
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
    const QList<StoppedWrite> stopped = m_services.source.finishWrites(QDeadlineTimer(quitWaitMs));
    if (stopped.isEmpty())
        return;
    QVariantList kept = m_services.defaults.array(stoppedWritesKey);
    for (const StoppedWrite& write : stopped) {
        kept.append(QVariantMap{
            {QStringLiteral("kind"), write.kind == StoppedWrite::Kind::add ? u"add"_s : u"complete"_s},
            {QStringLiteral("folder"), write.folder},
            {QStringLiteral("file"), write.reminder.file},
            {QStringLiteral("uid"), write.reminder.uid},
            {QStringLiteral("recurrenceId"), write.reminder.recurrenceId},
            {QStringLiteral("title"), write.reminder.title},
            {QStringLiteral("at"), write.at},
        });
    }
    m_services.defaults.set(stoppedWritesKey, kept);
    // The defaults were written when quitting began.
    m_services.defaults.flush();
}

void ReminderStore::resumeStoppedWrites()
{
    const QVariantList kept = m_services.defaults.array(stoppedWritesKey);
    if (kept.isEmpty())
        return;
    m_services.defaults.remove(stoppedWritesKey);
    const auto done = [this](const QString& error) {
        if (!error.isEmpty()) {
            setMessage(error);
            return;
        }
        refreshReminders();
    };
    for (const QVariant& value : kept) {
        const QVariantMap write = value.toMap();
        const QString folder = write.value(QStringLiteral("folder")).toString();
        Reminder reminder;
        reminder.file = write.value(QStringLiteral("file")).toString();
        reminder.uid = write.value(QStringLiteral("uid")).toString();
        reminder.recurrenceId = write.value(QStringLiteral("recurrenceId")).toString();
        reminder.title = write.value(QStringLiteral("title")).toString();
        const QDateTime at = write.value(QStringLiteral("at")).toDateTime();
        if (folder.isEmpty() || reminder.uid.isEmpty() || !at.isValid())
            continue;
        if (write.value(QStringLiteral("kind")) == u"add"_s) {
            // Its rename may have landed before it was stopped; the file's name is this reminder's alone.
            if (reminder.file != reminder.uid + QStringLiteral(".ics")
                || QFileInfo::exists(QDir(folder).filePath(reminder.file)))
                continue;
            whenWritten(m_services.source.add(folder, reminder.uid, reminder.title, at), done);
        } else {
            whenWritten(m_services.source.complete(folder, reminder, at), done);
        }
    }
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
    m_unread = true;
    setReadingFirst(false);
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

void ReminderStore::setReadingFirst(bool readingFirst)
{
    if (m_readingFirst == readingFirst)
        return;
    m_readingFirst = readingFirst;
    emit changed();
}

void ReminderStore::setSourceMessage(const QString& message)
{
    if (!message.isEmpty() || m_message == m_sourceMessage)
        setMessage(message);
    m_sourceMessage = message;
}
