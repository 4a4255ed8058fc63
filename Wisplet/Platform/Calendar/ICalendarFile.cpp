#include "Wisplet/Platform/Calendar/ICalendarFile.h"

#include "Wisplet/Platform/Calendar/ICalendarParse.h"
#include "Wisplet/Platform/Calendar/ICalendarTime.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <numeric>

#include <libical/ical.h>

namespace {

QString text(const char* value)
{
    return value ? QString::fromUtf8(value) : QString();
}

// At most `limit` UTF-16 units, never half a surrogate pair; only what is kept is decoded.
QString bounded(const char* value, qsizetype limit)
{
    if (!value)
        return {};
    // No character takes more than four bytes, so this many bytes give at least `limit` units.
    QString result = QString::fromUtf8(value, qsizetype(qstrnlen(value, size_t(limit) * 4)));
    if (result.size() > limit) {
        result.truncate(limit);
        if (result.back().isHighSurrogate())
            result.chop(1);
    }
    return result;
}

// A property's value as text, by name, so the colour extensions need no typed getter.
QString namedValue(icalcomponent* component, const char* name)
{
    for (icalproperty* property = icalcomponent_get_first_property(component, ICAL_ANY_PROPERTY); property;
         property = icalcomponent_get_next_property(component, ICAL_ANY_PROPERTY)) {
        if (qstricmp(icalproperty_get_property_name(property), name) == 0)
            return text(icalproperty_get_value_as_string(property));
    }
    return {};
}

QString colorOf(icalcomponent* component)
{
    const QString color = ICalendarColor::named(namedValue(component, "COLOR"));
    return color.isEmpty() ? ICalendarColor::named(namedValue(component, "X-APPLE-CALENDAR-COLOR")) : color;
}

// The system's zone database first: a calendar program may write a VTIMEZONE cut down to a few years, which
// would give wrong offsets for later occurrences. The file's own definition only for names the system lacks.
icaltimezone* zoneOf(icalproperty* property, icalcomponent* calendar)
{
    icalparameter* parameter = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER);
    const char* tzid = parameter ? icalparameter_get_tzid(parameter) : nullptr;
    if (!tzid)
        return nullptr;
    // Only plain zone names reach the zone database, which is read from files named after them.
    static const QRegularExpression zoneName(QStringLiteral("^[A-Za-z0-9_+-]+(/[A-Za-z0-9_+-]+)*$"));
    if (zoneName.match(QString::fromUtf8(tzid)).hasMatch()) {
        if (icaltimezone* zone = icaltimezone_get_builtin_timezone(tzid))
            return zone;
    }
    return icalcomponent_get_timezone(calendar, tzid);
}

QDateTime localMidnight(const QDate& date)
{
    return QDateTime(date, QTime(0, 0), Qt::LocalTime).toUTC();
}

QDate dateOf(const icaltimetype& time)
{
    return QDate(time.year, time.month, time.day);
}

// A wall time in its zone (none: floating, read as local time) as an instant.
QDateTime instantOf(const icaltimetype& time, icaltimezone* zone)
{
    if (icaltime_is_null_time(time) || !icaltime_is_valid_time(time))
        return {};
    if (time.is_date)
        return localMidnight(dateOf(time));
    if (icaltime_is_utc(time))
        return QDateTime::fromSecsSinceEpoch(icaltime_as_timet(time), Qt::UTC);
    // The zone given is the one the wall time is in.
    if (zone)
        return QDateTime::fromSecsSinceEpoch(icaltime_as_timet_with_zone(time, zone), Qt::UTC);
    return QDateTime(dateOf(time), QTime(time.hour, time.minute, time.second), Qt::LocalTime).toUTC();
}

// When an event starts and how long it lasts, as written in its component.
struct Timing
{
    icaltimetype start{};
    icaltimezone* zone = nullptr;
    bool allDay = false;
    qint64 seconds = 0;
    qint64 days = 1;

    QDateTime endFrom(const QDateTime& startInstant) const
    {
        if (!allDay)
            return startInstant.addSecs(seconds);
        return localMidnight(startInstant.toLocalTime().date().addDays(days));
    }
};

std::optional<Timing> timingOf(icalcomponent* event, icalcomponent* calendar)
{
    icalproperty* startProperty = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
    if (!startProperty)
        return std::nullopt;
    Timing timing;
    timing.start = icalproperty_get_dtstart(startProperty);
    timing.zone = zoneOf(startProperty, calendar);
    timing.allDay = timing.start.is_date;
    const QDateTime start = instantOf(timing.start, timing.zone);
    if (!start.isValid())
        return std::nullopt;
    if (icalproperty* endProperty = icalcomponent_get_first_property(event, ICAL_DTEND_PROPERTY)) {
        const icaltimetype end = icalproperty_get_dtend(endProperty);
        if (timing.allDay)
            timing.days = dateOf(timing.start).daysTo(dateOf(end));
        else
            timing.seconds = start.secsTo(instantOf(end, zoneOf(endProperty, calendar)));
    } else if (icalproperty* duration = icalcomponent_get_first_property(event, ICAL_DURATION_PROPERTY)) {
        const int seconds = icaldurationtype_as_int(icalproperty_get_duration(duration));
        timing.seconds = seconds;
        timing.days = seconds / 86'400;
    }
    // An end before the start is read as no length, never as an event running backwards.
    timing.seconds = qMax<qint64>(0, timing.seconds);
    timing.days = qMax<qint64>(1, timing.days);
    return timing;
}

// An event's texts, colour and kind, made once and shared by all its occurrences.
CalendarEvent templateOf(icalcomponent* component, const Timing& timing, const QString& color)
{
    CalendarEvent event;
    event.identifier = bounded(icalcomponent_get_uid(component), ICalendarFile::maxIdentifier);
    event.title = bounded(icalcomponent_get_summary(component), ICalendarFile::maxTitle);
    event.allDay = timing.allDay;
    event.location = bounded(icalcomponent_get_location(component), ICalendarFile::maxLocation);
    event.notes = bounded(icalcomponent_get_description(component), ICalendarFile::maxNotes);
    if (icalproperty* url = icalcomponent_get_first_property(component, ICAL_URL_PROPERTY)) {
        const char* value = icalproperty_get_url(url);
        if (value && qstrnlen(value, ICalendarFile::maxUrl + 1) <= size_t(ICalendarFile::maxUrl))
            event.url = QUrl(text(value));
    }
    const QString own = colorOf(component);
    event.color = own.isEmpty() ? color : own;
    return event;
}

bool overlaps(const CalendarEvent& event, const QDateTime& from, const QDateTime& to)
{
    return event.start <= to && (event.end > from || event.start >= from);
}

// An occurrence's start, and its end when it gives its own (an RDATE period).
struct Start
{
    QDateTime start;
    QDateTime end;
};

// The start and end of an RDATE: a date, a time, or a period with its own end or length.
Start startOf(icalproperty* rdate, icalcomponent* calendar)
{
    const icaldatetimeperiodtype value = icalproperty_get_rdate(rdate);
    icaltimezone* zone = zoneOf(rdate, calendar);
    if (!icaltime_is_null_time(value.time))
        return {instantOf(value.time, zone), {}};
    const QDateTime start = instantOf(value.period.start, zone);
    if (!icaltime_is_null_time(value.period.end))
        return {start, instantOf(value.period.end, zone)};
    return {start, start.addSecs(icaldurationtype_as_int(value.period.duration))};
}

// Steps of one event's expansion, within the file's time.
class ExpansionBudget final
{
public:
    ExpansionBudget(qint64 steps, QDeadlineTimer deadline)
        : m_steps(steps)
        , m_deadline(deadline)
    { }

    // One step of work; false once the steps or the time are spent.
    bool take()
    {
        // The clock is read every few hundred steps; a step is far cheaper than reading it.
        if (m_spent || m_steps <= 0 || ((m_steps & 0xff) == 0 && m_deadline.hasExpired()))
            m_spent = true;
        else
            --m_steps;
        return !m_spent;
    }
    bool isSpent() const { return m_spent; }

private:
    qint64 m_steps;
    QDeadlineTimer m_deadline;
    bool m_spent = false;
};

// An instant as a wall time in the terms the rule is followed in: a date, UTC, or floating (a time in the event's
// zone, or local time when it has none).
icaltimetype wallTimeOf(const QDateTime& instant, const icaltimetype& first, icaltimezone* zone)
{
    if (icaltime_is_utc(first))
        return icaltime_from_timet_with_zone(instant.toSecsSinceEpoch(), 0, icaltimezone_get_utc_timezone());
    icaltimetype wall = icaltime_null_time();
    if (zone) {
        wall = icaltime_from_timet_with_zone(instant.toSecsSinceEpoch(), 0, zone);
        wall.zone = nullptr;
        return wall;
    }
    const QDateTime local = instant.toLocalTime();
    wall.year = local.date().year();
    wall.month = local.date().month();
    wall.day = local.date().day();
    wall.hour = local.time().hour();
    wall.minute = local.time().minute();
    wall.second = local.time().second();
    return wall;
}

bool isSubDaily(icalrecurrencetype_frequency frequency)
{
    return frequency == ICAL_SECONDLY_RECURRENCE || frequency == ICAL_MINUTELY_RECURRENCE
        || frequency == ICAL_HOURLY_RECURRENCE;
}

bool hasByParts(const icalrecurrencetype& rule)
{
    for (const short* part : {rule.by_second, rule.by_minute, rule.by_hour, rule.by_day, rule.by_month_day,
                              rule.by_year_day, rule.by_week_no, rule.by_month, rule.by_set_pos}) {
        if (part[0] != ICAL_RECURRENCE_ARRAY_MAX)
            return true;
    }
    return false;
}

// A rule of several hours, minutes or seconds made to start later, by whole periods of its steps that are also
// whole days (whole weeks when it picks hours, days or months), so that its steps, time of day and weekday stay:
// libical's own later start misplaces such rules. One period to spare with picks, since libical may misplace the
// occurrences of a start that is not one of them.
icaltimetype movedCloser(const icalrecurrencetype& rule, icaltimetype first, icaltimetype near)
{
    const bool picks = hasByParts(rule);
    const qint64 unit = rule.freq == ICAL_HOURLY_RECURRENCE ? 3600 : rule.freq == ICAL_MINUTELY_RECURRENCE ? 60 : 1;
    const qint64 day = 86'400;
    const qint64 period = std::lcm(qint64(qMax<short>(1, rule.interval)) * unit, picks ? 7 * day : day);
    icaltimetype from = first;
    from.zone = near.zone = nullptr;
    const qint64 periods =
        (qint64(icaltime_as_timet(near)) - qint64(icaltime_as_timet(from))) / period - (picks ? 1 : 0);
    if (periods > 0)
        icaltime_adjust(&first, int(periods * (period / day)), 0, 0, 0);
    return first;
}

// The earliest wall time, in the rule's terms, at which an occurrence can start and still be under way at `from`: a
// day earlier for a date, three hours for the moves of a zone's clocks.
icaltimetype earliestStart(const icaltimetype& first, const Timing& timing, const QDateTime& from)
{
    const QDateTime early = timing.allDay ? from.addDays(-timing.days - 1) : from.addSecs(-timing.seconds - 3 * 3600);
    icaltimetype near = wallTimeOf(early, first, timing.zone);
    if (first.is_date) {
        near.is_date = 1;
        near.hour = near.minute = near.second = 0;
    }
    return near;
}

// The rule followed from `near` rather than from its first occurrence, so that an event begun years ago does not
// spend its steps on its past. A counted rule counts from its first occurrence and is followed from there.
icalrecur_iterator* iteratorNear(const icalrecurrencetype& rule, const icaltimetype& first, const icaltimetype& near)
{
    if (rule.count > 0 || icaltime_compare(near, first) <= 0)
        return icalrecur_iterator_new(rule, first);
    if (isSubDaily(rule.freq))
        return icalrecur_iterator_new(rule, first.is_date ? first : movedCloser(rule, first, near));
    icalrecur_iterator* iterator = icalrecur_iterator_new(rule, first);
    if (iterator && !icalrecur_iterator_set_start(iterator, near)) {
        icalrecur_iterator_free(iterator);
        iterator = icalrecur_iterator_new(rule, first);
    }
    return iterator;
}

// The starts of an event's occurrences up to `to`, without the excluded dates, as far as its steps go. The rule's
// occurrences come in order: after `enough` of them to come at `from`, the rest would all rank after those.
QList<Start> startsOf(icalcomponent* event, icalcomponent* calendar, const Timing& timing, const QDateTime& from,
                      const QDateTime& to, qsizetype enough, ExpansionBudget& budget)
{
    QSet<qint64> excluded;
    for (icalproperty* exdate = icalcomponent_get_first_property(event, ICAL_EXDATE_PROPERTY); exdate;
         exdate = icalcomponent_get_next_property(event, ICAL_EXDATE_PROPERTY))
        excluded.insert(instantOf(icalproperty_get_exdate(exdate), zoneOf(exdate, calendar)).toMSecsSinceEpoch());

    QList<Start> starts;
    // A date given by both the rule and an RDATE is one occurrence.
    QSet<qint64> seen;
    const auto add = [&](const Start& start) {
        const qint64 key = start.start.toMSecsSinceEpoch();
        if (!start.start.isValid() || start.start > to || excluded.contains(key) || seen.contains(key))
            return false;
        seen.insert(key);
        starts.append(start);
        return true;
    };
    for (icalproperty* rdate = icalcomponent_get_first_property(event, ICAL_RDATE_PROPERTY); rdate;
         rdate = icalcomponent_get_next_property(event, ICAL_RDATE_PROPERTY)) {
        if (!budget.take())
            return starts;
        add(startOf(rdate, calendar));
    }
    icalproperty* rule = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY);
    if (!rule) {
        if (budget.take())
            add({instantOf(timing.start, timing.zone), {}});
        return starts;
    }
    icaltimetype first = timing.start;
    first.zone = icaltime_is_utc(first) ? first.zone : nullptr;
    const icaltimetype near = earliestStart(first, timing, from);
    icalrecur_iterator* iterator = iteratorNear(icalproperty_get_rrule(rule), first, near);
    if (!iterator)
        return starts;
    for (qsizetype toCome = 0; toCome <= enough && budget.take();) {
        const icaltimetype next = icalrecur_iterator_next(iterator);
        if (icaltime_is_null_time(next))
            break;
        // Over before the window: not worth an instant.
        if (icaltime_compare(next, near) < 0)
            continue;
        const QDateTime start = instantOf(next, timing.zone);
        if (start > to)
            break;
        if (add({start, {}}) && start > from)
            ++toCome;
    }
    icalrecur_iterator_free(iterator);
    return starts;
}

void collectCalendar(icalcomponent* calendar, const QDateTime& from, const QDateTime& to, const QString& fallback,
                     const Expansion& expansion, ICalendarFile::Occurrences& out)
{
    const QString own = colorOf(calendar);
    const QString calendarColor = own.isEmpty() ? fallback : own;
    const EarliestEvents earliest(from, expansion.keep);
    // Moved or changed occurrences, by event and the start they replace.
    QHash<QString, QHash<qint64, icalcomponent*>> overrides;
    QList<icalcomponent*> masters;
    for (icalcomponent* event = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); event;
         event = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
        icalproperty* recurrence = icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY);
        if (!recurrence) {
            masters.append(event);
            continue;
        }
        const QDateTime replaced = instantOf(icalproperty_get_recurrenceid(recurrence), zoneOf(recurrence, calendar));
        overrides[text(icalcomponent_get_uid(event))].insert(replaced.toMSecsSinceEpoch(), event);
    }

    const auto keep = [&](CalendarEvent occurrence, const QDateTime& start, const QDateTime& end) {
        occurrence.start = start;
        occurrence.end = end;
        if (overlaps(occurrence, from, to))
            out.events.append(std::move(occurrence));
    };
    const auto addOverride = [&](icalcomponent* event, ExpansionBudget& budget) {
        if (!budget.take())
            return;
        if (const std::optional<Timing> timing = timingOf(event, calendar)) {
            const QDateTime start = instantOf(timing->start, timing->zone);
            keep(templateOf(event, *timing, calendarColor), start, timing->endFrom(start));
        }
    };
    // However many events a file holds, it keeps no more than twice what it gives at once.
    const auto trim = [&] {
        if (out.events.size() > 4 * expansion.keep)
            earliest.merge(out.beyond, earliest.keep(out.events));
    };
    for (icalcomponent* master : std::as_const(masters)) {
        const std::optional<Timing> timing = timingOf(master, calendar);
        if (!timing)
            continue;
        ExpansionBudget budget(expansion.stepsPerEvent, expansion.deadline);
        const CalendarEvent shared = templateOf(master, *timing, calendarColor);
        QHash<qint64, icalcomponent*> moved = overrides.take(text(icalcomponent_get_uid(master)));
        for (const Start& start : startsOf(master, calendar, *timing, from, to, expansion.keep, budget)) {
            if (icalcomponent* replacement = moved.take(start.start.toMSecsSinceEpoch())) {
                addOverride(replacement, budget);
                continue;
            }
            keep(shared, start.start, start.end.isValid() ? start.end : timing->endFrom(start.start));
        }
        // Occurrences moved here from outside what was followed, or from dates the rule no longer makes.
        for (icalcomponent* replacement : std::as_const(moved))
            addOverride(replacement, budget);
        out.cut = out.cut || budget.isSpent();
        trim();
    }
    for (const QHash<qint64, icalcomponent*>& orphans : std::as_const(overrides)) {
        ExpansionBudget budget(expansion.stepsPerEvent, expansion.deadline);
        for (icalcomponent* replacement : orphans)
            addOverride(replacement, budget);
        out.cut = out.cut || budget.isSpent();
        trim();
    }
}

} // namespace

QString ICalendarColor::named(const QString& value)
{
    // The forms of a hex colour, and of a colour's name: whether that name is known is the painter's to say.
    static const QRegularExpression form(
        QStringLiteral("^(#([0-9a-f]{3}|[0-9a-f]{6}|[0-9a-f]{8}|[0-9a-f]{9}|[0-9a-f]{12})|[a-z]{3,32})$"),
        QRegularExpression::CaseInsensitiveOption);
    QString name = value.trimmed();
    if (!form.match(name).hasMatch())
        return {};
    if (name.size() == 9 && name.startsWith(u'#'))
        name.truncate(7);
    return name;
}

QDateTime icalInstantOf(const icaltimetype& time, icalproperty* property, icalcomponent* calendar)
{
    return instantOf(time, zoneOf(property, calendar));
}

ICalendarFile::ICalendarFile(icalcomponent_impl* root)
    : m_root(root, [](icalcomponent_impl* component) { icalcomponent_free(component); })
{ }

std::optional<ICalendarFile> ICalendarFile::parse(const QByteArray& data)
{
    ICalendarParse::Component root = ICalendarParse::parse(data);
    if (!root)
        return std::nullopt;
    const icalcomponent_kind kind = icalcomponent_isa(root.get());
    if (kind != ICAL_VCALENDAR_COMPONENT && kind != ICAL_XROOT_COMPONENT)
        return std::nullopt;
    return ICalendarFile(root.release());
}

ICalendarFile::Occurrences ICalendarFile::occurrences(const QDateTime& from, const QDateTime& to,
                                                      const QString& calendarColor, const Expansion& expansion) const
{
    Occurrences occurrences;
    icalcomponent* root = m_root.get();
    if (icalcomponent_isa(root) == ICAL_VCALENDAR_COMPONENT) {
        collectCalendar(root, from, to, calendarColor, expansion, occurrences);
    } else {
        for (icalcomponent* calendar = icalcomponent_get_first_component(root, ICAL_VCALENDAR_COMPONENT); calendar;
             calendar = icalcomponent_get_next_component(root, ICAL_VCALENDAR_COMPONENT))
            collectCalendar(calendar, from, to, calendarColor, expansion, occurrences);
    }
    const EarliestEvents earliest(from, expansion.keep);
    earliest.merge(occurrences.beyond, earliest.keep(occurrences.events));
    return occurrences;
}
