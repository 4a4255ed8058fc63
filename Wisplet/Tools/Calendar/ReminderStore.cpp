#include "Wisplet/Tools/Calendar/ReminderStore.h"

#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/ToolRegistry.h"
#include "Wisplet/Platform/Calendar/ICalendarReminders.h"
#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Platform/Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>

#include <algorithm>
#include <optional>

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
    resumeUnwritten();
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

namespace {

bool isAdd(const ReminderWrite& write)
{
    return write.kind == ReminderWrite::Kind::add;
}

// The same change, whenever it was asked for.
bool sameChange(const ReminderWrite& a, const ReminderWrite& b)
{
    return a.kind == b.kind && a.folder == b.folder && a.reminder.file == b.reminder.file
        && a.reminder.uid == b.reminder.uid && a.reminder.recurrenceId == b.reminder.recurrenceId;
}

QVariantMap stored(const ReminderWrite& write)
{
    return {
        {QStringLiteral("kind"), isAdd(write) ? u"add"_s : u"complete"_s},
        {QStringLiteral("folder"), write.folder},
        {QStringLiteral("file"), write.reminder.file},
        {QStringLiteral("uid"), write.reminder.uid},
        {QStringLiteral("recurrenceId"), write.reminder.recurrenceId},
        {QStringLiteral("title"), write.reminder.title},
        {QStringLiteral("at"), write.at},
    };
}

std::optional<ReminderWrite> writeFrom(const QVariant& value)
{
    const QVariantMap map = value.toMap();
    ReminderWrite write;
    write.kind =
        map.value(QStringLiteral("kind")) == u"add"_s ? ReminderWrite::Kind::add : ReminderWrite::Kind::complete;
    write.folder = map.value(QStringLiteral("folder")).toString();
    write.reminder.file = map.value(QStringLiteral("file")).toString();
    write.reminder.uid = map.value(QStringLiteral("uid")).toString();
    write.reminder.recurrenceId = map.value(QStringLiteral("recurrenceId")).toString();
    write.reminder.title = map.value(QStringLiteral("title")).toString();
    write.at = map.value(QStringLiteral("at")).toDateTime();
    // An add's file is named after its UID, never anything else in the folder.
    if (write.folder.isEmpty() || write.reminder.uid.isEmpty() || !write.at.isValid()
        || (isAdd(write) && write.reminder.file != write.reminder.uid + QStringLiteral(".ics")))
        return std::nullopt;
    return write;
}

} // namespace

bool ReminderStore::addReminder(const QString& text)
{
    const QString title = text.trimmed();
    if (!m_allowed || title.isEmpty() || folder().isEmpty()) {
        setMessage(tr("Choose a default reminders list first."));
        return false;
    }
    // Sent again after it failed: the same reminder, so that it is never there twice.
    const auto again = std::find_if(m_unwritten.cbegin(), m_unwritten.cend(), [&](const ReminderWrite& kept) {
        return isAdd(kept) && kept.folder == folder() && kept.reminder.title == title && !isWriting(kept);
    });
    if (again != m_unwritten.cend()) {
        write(*again);
        return true;
    }
    Reminder reminder;
    reminder.uid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    reminder.file = reminder.uid + QStringLiteral(".ics");
    reminder.title = title;
    write({ReminderWrite::Kind::add, folder(), reminder, m_services.clock.now()});
    return true;
}

void ReminderStore::completeReminder(const Reminder& reminder)
{
    // The file is only replaced once the whole change is written, so a failure leaves the to-do open on disk
    // and in the list.
    write({ReminderWrite::Kind::complete, folder(), reminder, m_services.clock.now()});
}

bool ReminderStore::finishWrites(QDeadlineTimer deadline)
{
    for (const ReminderWrite& kept : QList(m_unwritten)) {
        if (!isWriting(kept))
            write(kept);
    }
    const QList<ReminderWrite> stopped = m_services.source.finishWrites(deadline);
    // The outcomes of the writes that ended count now: quitting may never turn the main loop again.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::FutureCallOut);
    for (const ReminderWrite& write : stopped)
        keep(write);
    return m_unwritten.isEmpty();
}

void ReminderStore::resumeUnwritten()
{
    for (const QVariant& value : m_services.defaults.array(unwrittenKey)) {
        if (const std::optional<ReminderWrite> write = writeFrom(value))
            m_unwritten.append(*write);
    }
    storeUnwritten();
    for (const ReminderWrite& kept : QList(m_unwritten)) {
        // Its rename may have landed before it was stopped; the file's name is this reminder's alone.
        if (isAdd(kept) && QFileInfo::exists(QDir(kept.folder).filePath(kept.reminder.file)))
            settle(kept);
        else
            write(kept);
    }
}

bool ReminderStore::isWriting(const ReminderWrite& write) const
{
    return std::any_of(m_writing.cbegin(), m_writing.cend(),
                       [&write](const ReminderWrite& other) { return sameChange(other, write); });
}

void ReminderStore::write(const ReminderWrite& write)
{
    // Before it is tried: a quit or a kill may cut it short.
    keep(write);
    m_writing.append(write);
    const QFuture<QString> future = isAdd(write)
        ? m_services.source.add(write.folder, write.reminder.uid, write.reminder.title, write.at)
        : m_services.source.complete(write.folder, write.reminder, write.at);
    // Parented to the store, like a fetch's.
    auto* watcher = new QFutureWatcher<QString>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, write] {
        watcher->deleteLater();
        if (!watcher->isCanceled() && watcher->future().resultCount() > 0)
            written(write, watcher->result());
    });
    watcher->setFuture(future);
}

void ReminderStore::written(const ReminderWrite& write, const QString& error)
{
    m_writing.removeOne(write);
    if (error.isEmpty() || !m_services.source.worthRetrying(write, error))
        settle(write);
    else
        keep(write);
    if (!error.isEmpty()) {
        setMessage(error);
        if (isAdd(write))
            emit addFailed(write.reminder.title);
        return;
    }
    setMessage({});
    refreshReminders();
}

void ReminderStore::keep(const ReminderWrite& write)
{
    const auto kept = std::find_if(m_unwritten.begin(), m_unwritten.end(),
                                   [&write](const ReminderWrite& other) { return sameChange(other, write); });
    if (kept != m_unwritten.end())
        *kept = write;
    else
        m_unwritten.append(write);
    storeUnwritten();
}

void ReminderStore::settle(const ReminderWrite& write)
{
    if (m_unwritten.removeIf([&write](const ReminderWrite& kept) { return sameChange(kept, write); }) > 0)
        storeUnwritten();
}

void ReminderStore::storeUnwritten()
{
    if (m_unwritten.isEmpty()) {
        m_services.defaults.remove(unwrittenKey);
        return;
    }
    QVariantList kept;
    for (const ReminderWrite& write : std::as_const(m_unwritten))
        kept.append(stored(write));
    m_services.defaults.set(unwrittenKey, kept);
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
