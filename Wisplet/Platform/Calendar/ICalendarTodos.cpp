#include "Wisplet/Platform/Calendar/ICalendarTodos.h"

#include "Wisplet/Platform/Calendar/ICalendarFolder.h"
#include "Wisplet/Platform/Calendar/ICalendarParse.h"
#include "Wisplet/Platform/Calendar/ICalendarTime.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <QObject>

#include <sys/stat.h>
#include <unistd.h>

namespace ICalendarTodos {

namespace {

using namespace ICalendarWire;
using ICalendarParse::Component;

// Another program changing the file while a completion is written is taken in and the change made again,
// this many times at most.
constexpr int completeAttempts = 3;

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

ReminderFile readFile(const QString& path, const QString& name, const PrivateFiles::FileStamp& stamp,
                      qint64 maxFileBytes, qint64& budget)
{
    ReminderFile file;
    file.name = name;
    file.stamp = stamp;
    const PrivateFiles::FileRead read = PrivateFiles::readRegularFile(path, maxFileBytes);
    if (read.outcome == PrivateFiles::FileRead::Outcome::read) {
        file.stamp = read.stamp;
        budget -= read.contents.size();
        if (ICalendarParse::isTooDeep(read.contents))
            file.problem = QObject::tr("its parts are nested too deeply");
        else
            file.items = incompleteIn(read.contents, name);
    } else if (read.outcome != PrivateFiles::FileRead::Outcome::absent) {
        file.problem = read.reason;
    }
    return file;
}

// Tests of a write stopped half-way hold it here, before or after the file is written; builds for users have
// no such knob.
void holdForTests([[maybe_unused]] const char* knob)
{
#ifdef WISPLET_TEST_HOOKS
    if (const int ms = qEnvironmentVariableIntValue(knob); ms > 0)
        ::usleep(useconds_t(ms) * 1000);
#endif
}

} // namespace

QString failure(const QString& what, const QString& why)
{
    return why.isEmpty() ? what : what + QStringLiteral(": ") + why;
}

QString completionOfARemovedTodo()
{
    return failure(QObject::tr("Couldn't complete the reminder"), QObject::tr("it is no longer in its file"));
}

QList<Reminder> incompleteIn(const QByteArray& data, const QString& file)
{
    QList<Reminder> reminders;
    const Component root = ICalendarParse::parse(data);
    for (icalcomponent* calendar : calendarsOf(root.get())) {
        for (icalcomponent* todo = icalcomponent_get_first_component(calendar, ICAL_VTODO_COMPONENT); todo;
             todo = icalcomponent_get_next_component(calendar, ICAL_VTODO_COMPONENT)) {
            if (isIncomplete(todo))
                reminders.append(reminderOf(todo, calendar, file));
        }
    }
    return reminders;
}

QByteArray completedIn(const QByteArray& data, const Reminder& reminder, const QDateTime& now)
{
    const Component root = ICalendarParse::parse(data);
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

int sweepTemporaries(const QString& folder, qint64 olderThanSeconds, int maxVisits)
{
    int removed = 0;
    const qint64 before = QDateTime::currentSecsSinceEpoch() - olderThanSeconds;
    QDirIterator entries(folder, QDir::Files | QDir::Hidden | QDir::System);
    for (int visits = 0; visits < maxVisits && entries.hasNext(); ++visits) {
        const QString path = entries.next();
        const QString name = entries.fileName();
        const qsizetype mark = name.lastIndexOf(QStringLiteral(".ics.~"), -1, Qt::CaseInsensitive);
        if (mark < 1 || !PrivateFiles::isTemporaryOf(name, QStringView(name).first(mark + 4)))
            continue;
        struct stat info = {};
        const QByteArray local = QFile::encodeName(path);
        if (::lstat(local.constData(), &info) == 0 && S_ISREG(info.st_mode) && info.st_mtime < before
            && ::unlink(local.constData()) == 0)
            ++removed;
    }
    return removed;
}

void scan(const RemindersRequest& request, const Sink& send)
{
    if (request.sweepAfterSeconds > 0)
        sweepTemporaries(request.folder, request.sweepAfterSeconds, request.maxFiles * 4);
    const ICalendarFolder::Listing listing = ICalendarFolder::calendarFiles(request.folder, request.maxFiles);
    QHash<QString, PrivateFiles::FileStamp> passOver;
    for (const Known& known : request.passOver)
        passOver.insert(known.path, known.stamp);
    RemindersDone done;
    done.moreFiles = listing.more;
    qint64 budget = request.maxBytes;
    for (const QString& path : listing.paths) {
        const QString name = QFileInfo(path).fileName();
        const PrivateFiles::FileStamp stamp = PrivateFiles::stampOf(path);
        if (stamp.exists && passOver.value(name) == stamp) {
            send(frameOf(Unchanged{name}));
            continue;
        }
        if (stamp.size <= request.maxFileBytes && stamp.size > budget) {
            done.tooMuch = true;
            break;
        }
        send(frameOf(Reading{name, stamp}));
        send(frameOf(readFile(path, name, stamp, request.maxFileBytes, budget)));
    }
    send(frameOf(done));
}

QString complete(const CompleteRequest& request, const Sink& send)
{
    const QString path = QDir(request.folder).filePath(request.reminder.file);
    const QString cannot = QObject::tr("Couldn't complete the reminder");
    for (int attempt = 0; attempt < completeAttempts; ++attempt) {
        const PrivateFiles::FileRead read = PrivateFiles::readRegularFile(path, request.maxFileBytes);
        if (read.outcome == PrivateFiles::FileRead::Outcome::absent)
            return failure(cannot, QObject::tr("its file is gone"));
        if (read.outcome != PrivateFiles::FileRead::Outcome::read)
            return failure(cannot, read.reason);
        send(frameOf(Reading{request.reminder.file, read.stamp}));
        const QByteArray completed = completedIn(read.contents, request.reminder, request.now);
        if (completed.isEmpty())
            return completionOfARemovedTodo();
        // Changed while it was parsed: read again, so that the other program's change is kept.
        if (PrivateFiles::stampOf(path) != read.stamp)
            continue;
        holdForTests("WISPLET_TEST_HOLD_BEFORE_WRITE_MS");
        QString error;
        if (!PrivateFiles::replaceKeepingMode(path, completed, &error))
            return failure(cannot, error);
        holdForTests("WISPLET_TEST_HOLD_AFTER_WRITE_MS");
        return {};
    }
    return failure(cannot, QObject::tr("its file keeps changing"));
}

QString add(const AddRequest& request)
{
    const QString path = QDir(request.folder).filePath(request.uid + QStringLiteral(".ics"));
    const QString cannot = QObject::tr("Couldn't add the reminder");
    if (QFileInfo::exists(path))
        return failure(cannot, QObject::tr("a file of that name exists"));
    const Component calendar(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_prodid("-//Wisplet//Reminders//EN"));
    icalcomponent* todo = icalcomponent_new(ICAL_VTODO_COMPONENT);
    icalcomponent_add_property(todo, icalproperty_new_uid(request.uid.toUtf8().constData()));
    icalcomponent_add_property(todo, icalproperty_new_dtstamp(utc(request.now)));
    icalcomponent_add_property(todo, icalproperty_new_created(utc(request.now)));
    icalcomponent_add_property(todo, icalproperty_new_summary(request.title.toUtf8().constData()));
    icalcomponent_add_property(todo, icalproperty_new_status(ICAL_STATUS_NEEDSACTION));
    icalcomponent_add_component(calendar.get(), todo);
    holdForTests("WISPLET_TEST_HOLD_BEFORE_WRITE_MS");
    QString error;
    if (!PrivateFiles::writeAtomically(path, serialised(calendar.get()), &error))
        return failure(cannot, error);
    holdForTests("WISPLET_TEST_HOLD_AFTER_WRITE_MS");
    return {};
}

} // namespace ICalendarTodos
