#include "Wisplet/Platform/ICalendarReminders.h"

#include "Wisplet/Platform/ICalendarFolder.h"
#include "Wisplet/Platform/ICalendarTime.h"
#include "Wisplet/Platform/PrivateFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryFile>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <memory>

namespace {

using Component = std::unique_ptr<icalcomponent, decltype(&icalcomponent_free)>;

Component parsed(const QByteArray& data)
{
    return Component(icalparser_parse_string(data.constData()), &icalcomponent_free);
}

QString text(const char* value)
{
    return value ? QString::fromUtf8(value) : QString();
}

// The calendars of a parsed file: the root itself, or the calendars inside a root holding several.
QList<icalcomponent*> calendarsOf(icalcomponent* root)
{
    QList<icalcomponent*> calendars;
    if (!root)
        return calendars;
    if (icalcomponent_isa(root) == ICAL_VCALENDAR_COMPONENT)
        return {root};
    for (icalcomponent* calendar = icalcomponent_get_first_component(root, ICAL_VCALENDAR_COMPONENT); calendar;
         calendar = icalcomponent_get_next_component(root, ICAL_VCALENDAR_COMPONENT))
        calendars.append(calendar);
    return calendars;
}

bool isIncomplete(icalcomponent* todo)
{
    if (icalcomponent_get_first_property(todo, ICAL_COMPLETED_PROPERTY))
        return false;
    icalproperty* status = icalcomponent_get_first_property(todo, ICAL_STATUS_PROPERTY);
    if (!status)
        return true;
    const icalproperty_status value = icalproperty_get_status(status);
    return value != ICAL_STATUS_COMPLETED && value != ICAL_STATUS_CANCELLED;
}

QString recurrenceIdOf(icalcomponent* todo)
{
    icalproperty* property = icalcomponent_get_first_property(todo, ICAL_RECURRENCEID_PROPERTY);
    return property ? text(icalproperty_get_value_as_string(property)) : QString();
}

Reminder reminderOf(icalcomponent* todo, icalcomponent* calendar, const QString& file)
{
    Reminder reminder;
    reminder.file = file;
    reminder.uid = text(icalcomponent_get_uid(todo));
    reminder.recurrenceId = recurrenceIdOf(todo);
    reminder.title = text(icalcomponent_get_summary(todo));
    if (icalproperty* due = icalcomponent_get_first_property(todo, ICAL_DUE_PROPERTY)) {
        const icaltimetype time = icalproperty_get_due(due);
        reminder.due = icalInstantOf(time, due, calendar);
        reminder.dueIsDate = reminder.due.isValid() && time.is_date;
    }
    return reminder;
}

icaltimetype utc(const QDateTime& when)
{
    return icaltime_from_timet_with_zone(when.toSecsSinceEpoch(), 0, icaltimezone_get_utc_timezone());
}

// Replaces the component's property of this kind, or adds one.
void put(icalcomponent* component, icalproperty_kind kind, icalproperty* property)
{
    while (icalproperty* old = icalcomponent_get_first_property(component, kind)) {
        icalcomponent_remove_property(component, old);
        icalproperty_free(old);
    }
    icalcomponent_add_property(component, property);
}

void markCompleted(icalcomponent* todo, const QDateTime& now)
{
    const int sequence =
        icalcomponent_get_first_property(todo, ICAL_SEQUENCE_PROPERTY) ? icalcomponent_get_sequence(todo) : 0;
    put(todo, ICAL_STATUS_PROPERTY, icalproperty_new_status(ICAL_STATUS_COMPLETED));
    put(todo, ICAL_COMPLETED_PROPERTY, icalproperty_new_completed(utc(now)));
    put(todo, ICAL_PERCENTCOMPLETE_PROPERTY, icalproperty_new_percentcomplete(100));
    put(todo, ICAL_DTSTAMP_PROPERTY, icalproperty_new_dtstamp(utc(now)));
    put(todo, ICAL_LASTMODIFIED_PROPERTY, icalproperty_new_lastmodified(utc(now)));
    put(todo, ICAL_SEQUENCE_PROPERTY, icalproperty_new_sequence(sequence + 1));
}

QByteArray serialised(icalcomponent* root)
{
    char* data = icalcomponent_as_ical_string_r(root);
    QByteArray bytes(data);
    icalmemory_free_buffer(data);
    return bytes;
}

QString failure(const QString& what, const QString& why)
{
    return why.isEmpty() ? what : what + QStringLiteral(": ") + why;
}

} // namespace

QList<Reminder> ICalendarReminders::incompleteIn(const QByteArray& data, const QString& file)
{
    QList<Reminder> reminders;
    const Component root = parsed(data);
    for (icalcomponent* calendar : calendarsOf(root.get())) {
        for (icalcomponent* todo = icalcomponent_get_first_component(calendar, ICAL_VTODO_COMPONENT); todo;
             todo = icalcomponent_get_next_component(calendar, ICAL_VTODO_COMPONENT)) {
            if (isIncomplete(todo))
                reminders.append(reminderOf(todo, calendar, file));
        }
    }
    return reminders;
}

QByteArray ICalendarReminders::completedIn(const QByteArray& data, const Reminder& reminder, const QDateTime& now)
{
    const Component root = parsed(data);
    for (icalcomponent* calendar : calendarsOf(root.get())) {
        for (icalcomponent* todo = icalcomponent_get_first_component(calendar, ICAL_VTODO_COMPONENT); todo;
             todo = icalcomponent_get_next_component(calendar, ICAL_VTODO_COMPONENT)) {
            if (text(icalcomponent_get_uid(todo)) == reminder.uid && recurrenceIdOf(todo) == reminder.recurrenceId) {
                markCompleted(todo, now);
                return serialised(root.get());
            }
        }
    }
    return {};
}

ReminderScan ICalendarReminders::scan(const QString& folder, int fileLimit, qint64 byteLimit)
{
    const ICalendarFolder::Listing listing = ICalendarFolder::calendarFiles(folder, fileLimit);
    ReminderScan scan;
    ICalendarFolder::Skipped skipped;
    bool tooMuch = false;
    qint64 budget = byteLimit;
    for (const QString& path : listing.paths) {
        const QFileInfo info(path);
        if (info.size() <= maxFileBytes && info.size() > budget) {
            tooMuch = true;
            break;
        }
        const PrivateFiles::FileRead read = PrivateFiles::readRegularFile(path, maxFileBytes);
        if (read.outcome == PrivateFiles::FileRead::Outcome::read) {
            budget -= read.contents.size();
            scan.items.append(incompleteIn(read.contents, info.fileName()));
        } else if (read.outcome != PrivateFiles::FileRead::Outcome::absent) {
            skipped.add(info.fileName(), read.reason);
        }
    }
    QStringList notes;
    if (listing.more)
        notes.append(QObject::tr("Only the first %1 reminder files are read.").arg(QLocale().toString(fileLimit)));
    if (tooMuch)
        notes.append(QObject::tr("Some reminder files are left out: the folder holds too much to read at once."));
    notes.append(skipped.note(QObject::tr("Skipped %1 reminder files that can't be read.")));
    notes.removeAll(QString());
    scan.message = notes.join(u' ');
    return scan;
}

bool ICalendarReminders::isUsable(const QString& folder) const
{
    return !folder.isEmpty() && problem(folder).isEmpty();
}

QString ICalendarReminders::problem(const QString& folder) const
{
    if (folder.isEmpty())
        return {};
    const QFileInfo info(folder);
    QString why;
    if (!info.exists())
        why = QObject::tr("it is gone");
    else if (!info.isDir())
        why = QObject::tr("it is not a folder");
    else if (!info.isReadable() || !info.isExecutable())
        why = QObject::tr("it can't be read");
    else if (!info.isWritable())
        why = QObject::tr("it can't be written");
    return why.isEmpty() ? QString() : QObject::tr("Can't use the reminders folder: %1.").arg(why);
}

QString ICalendarReminders::prepare(const QString& folder)
{
    const QString cannot = QObject::tr("Can't use this folder for reminders");
    if (folder.isEmpty() || !PrivateFiles::ensureFolder(folder))
        return failure(cannot, QObject::tr("it can't be created"));
    QDir dir(folder);
    if (!dir.isReadable())
        return failure(cannot, QObject::tr("it can't be read"));
    // Root passes every permission check, so the only sure test is to make a file.
    QTemporaryFile probe(dir.filePath(QStringLiteral(".wisplet-probe-XXXXXX")));
    if (!probe.open())
        return failure(cannot, probe.errorString());
    return {};
}

QFuture<ReminderScan> ICalendarReminders::fetch(const QString& folder)
{
    return QtConcurrent::run([folder] { return scan(folder); });
}

QString ICalendarReminders::add(const QString& folder, const QString& uid, const QString& title, const QDateTime& now)
{
    const QString path = QDir(folder).filePath(uid + QStringLiteral(".ics"));
    const QString cannot = QObject::tr("Couldn't add the reminder");
    if (QFileInfo::exists(path))
        return failure(cannot, QObject::tr("a file of that name exists"));
    Component calendar(icalcomponent_new(ICAL_VCALENDAR_COMPONENT), &icalcomponent_free);
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_prodid("-//Wisplet//Reminders//EN"));
    icalcomponent* todo = icalcomponent_new(ICAL_VTODO_COMPONENT);
    icalcomponent_add_property(todo, icalproperty_new_uid(uid.toUtf8().constData()));
    icalcomponent_add_property(todo, icalproperty_new_dtstamp(utc(now)));
    icalcomponent_add_property(todo, icalproperty_new_created(utc(now)));
    icalcomponent_add_property(todo, icalproperty_new_summary(title.toUtf8().constData()));
    icalcomponent_add_property(todo, icalproperty_new_status(ICAL_STATUS_NEEDSACTION));
    icalcomponent_add_component(calendar.get(), todo);
    QString error;
    if (!PrivateFiles::writeAtomically(path, serialised(calendar.get()), &error))
        return failure(cannot, error);
    return {};
}

QString ICalendarReminders::complete(const QString& folder, const Reminder& reminder, const QDateTime& now)
{
    const QString path = QDir(folder).filePath(reminder.file);
    const QString cannot = QObject::tr("Couldn't complete the reminder");
    const PrivateFiles::FileRead read = PrivateFiles::readRegularFile(path, maxFileBytes);
    if (read.outcome == PrivateFiles::FileRead::Outcome::absent)
        return failure(cannot, QObject::tr("its file is gone"));
    if (read.outcome != PrivateFiles::FileRead::Outcome::read)
        return failure(cannot, read.reason);
    const QByteArray completed = completedIn(read.contents, reminder, now);
    if (completed.isEmpty())
        return failure(cannot, QObject::tr("it is no longer in its file"));
    QString error;
    if (!PrivateFiles::replaceKeepingMode(path, completed, &error))
        return failure(cannot, error);
    return {};
}
