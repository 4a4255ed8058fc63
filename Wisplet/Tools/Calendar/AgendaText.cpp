#include "Wisplet/Tools/Calendar/AgendaText.h"

#include <QHash>
#include <QRegularExpression>

#include <unicode/datefmt.h>
#include <unicode/dtptngen.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <memory>

namespace {

// The locale's short time; some locales (C among them) put seconds in it, which an agenda does not need.
QString shortTime(const QDateTime& instant, const QLocale& locale)
{
    static const QRegularExpression seconds(QStringLiteral("[:.]ss"));
    QString format = locale.timeFormat(QLocale::ShortFormat);
    format.remove(seconds);
    return locale.toString(instant.toLocalTime().time(), format);
}

enum class DateStyle { abbreviated, long_ };

std::unique_ptr<icu::DateFormat> makeDateFormat(DateStyle style, const icu::Locale& locale)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::DateFormat> format;
    if (style == DateStyle::long_) {
        format.reset(icu::DateFormat::createDateInstance(icu::DateFormat::kLong, locale));
    } else {
        // Qt has no abbreviated style (its short one is all digits): the locale's own pattern for a day with
        // an abbreviated month and the year.
        const std::unique_ptr<icu::DateTimePatternGenerator> generator(
            icu::DateTimePatternGenerator::createInstance(locale, status));
        if (U_SUCCESS(status)) {
            const icu::UnicodeString pattern = generator->getBestPattern(u"yMMMd", status);
            if (U_SUCCESS(status))
                format = std::make_unique<icu::SimpleDateFormat>(pattern, locale, status);
        }
    }
    if (!format || U_FAILURE(status))
        return nullptr;
    // Days are formatted as midnight UTC, so the day shown never depends on ICU's idea of the local zone.
    format->setTimeZone(*icu::TimeZone::getGMT());
    return format;
}

// Creating a formatter costs far more than using one; the views ask for the same locale over and over.
QString dateText(const QDate& date, DateStyle style, const QLocale& locale)
{
    static QHash<QString, std::shared_ptr<icu::DateFormat>> formats;
    const QString key = locale.name() + QString::number(int(style));
    auto found = formats.find(key);
    if (found == formats.end())
        found = formats.insert(key, makeDateFormat(style, icu::Locale(locale.name().toLatin1().constData())));
    if (!*found)
        return locale.toString(date, QLocale::ShortFormat);
    icu::UnicodeString text;
    (*found)->format(UDate(date.startOfDay(Qt::UTC).toMSecsSinceEpoch()), text);
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

} // namespace

namespace AgendaText {

QString countdown(const CalendarEvent& event, const QDateTime& now, const QLocale& locale)
{
    // In milliseconds: whole seconds would say "Now" up to a second before the start.
    const qint64 milliseconds = now.msecsTo(event.start);
    if (milliseconds <= 0)
        return QStringLiteral("Now · ends ") + shortTime(event.end, locale);
    const qint64 minutes = milliseconds / 60'000;
    if (minutes > 59)
        return QStringLiteral("in %1h %2m").arg(minutes / 60).arg(minutes % 60);
    return QStringLiteral("in %1 min").arg(minutes);
}

QString startText(const QDateTime& start, const QLocale& locale)
{
    return dateText(start.toLocalTime().date(), DateStyle::abbreviated, locale) + QStringLiteral(", ")
        + shortTime(start, locale);
}

QString dueText(const QDateTime& due, const QLocale& locale)
{
    return dateText(due.toLocalTime().date(), DateStyle::long_, locale);
}

QString title(const CalendarEvent& event, const QString& fallback)
{
    return event.title.isEmpty() ? fallback : event.title;
}

QList<CalendarEvent> listed(const QList<CalendarEvent>& events, const std::optional<CalendarEvent>& next)
{
    if (!next)
        return events;
    QList<CalendarEvent> list;
    for (const CalendarEvent& event : events) {
        // Without an identifier nothing ties other events to the next one: only that one event is left out.
        const bool same = next->identifier.isEmpty() ? event == *next : event.identifier == next->identifier;
        if (!same)
            list.append(event);
    }
    return list;
}

} // namespace AgendaText
