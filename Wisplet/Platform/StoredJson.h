#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonValue>
#include <QString>
#include <QUuid>

#include <optional>

// How values are written in the program's JSON files: dates as seconds since 2001-01-01 00:00:00 UTC,
// UUIDs as upper-case text without braces, binary data as Base64.
namespace StoredJson {

QDateTime referenceDate();
double secondsSinceReferenceDate(const QDateTime& date);
QDateTime dateFromReferenceSeconds(double seconds);

// A date as the files hold it, in seconds since the reference date. QDateTime keeps whole milliseconds
// only, so a date read from a file is kept as this and written back with every digit it was read with.
struct Date
{
    double seconds = 0;

    static Date of(const QDateTime& date) { return {secondsSinceReferenceDate(date)}; }
    QDateTime toDateTime() const { return dateFromReferenceSeconds(seconds); }

    friend auto operator<=>(const Date&, const Date&) = default;
};

QJsonValue fromDate(const QDateTime& date);
QJsonValue fromExactDate(Date date);
QJsonValue fromUuid(const QUuid& uuid);
QJsonValue fromData(const QByteArray& data);

// Each reader gives none for a value of the wrong type or form, so a damaged entry is easy to skip.
std::optional<QDateTime> toDate(const QJsonValue& value);
std::optional<Date> toExactDate(const QJsonValue& value);
// Only the 36-character hyphenated form, in either case: no braces, nothing before or after.
std::optional<QUuid> toUuid(const QJsonValue& value);
std::optional<QByteArray> toData(const QJsonValue& value);

} // namespace StoredJson
