#pragma once

#include "Wisplet/Tools/Business/IntegrationClient.h"
#include "Wisplet/Tools/Weather/WeatherData.h"

#include <QJsonValue>
#include <QTimeZone>
#include <QVariantMap>

#include <optional>

// The weather service's requests and answers, as pure functions over JSON, a fixed "now" and a zone.
namespace WeatherParsing {

// The shortest text that reads back to the same number, a whole number keeping ".0" ("19.0").
QString coordinateText(double value);

QueryItems forecastQuery(const WeatherPlace& place, const QString& key, bool fahrenheit);
QueryItems searchQuery(const QString& text, const QString& key);

// The zone the answer names under "timezone", else `fallback`.
QTimeZone forecastZone(const QJsonObject& root, const QTimeZone& fallback);
// The hourly entries from the one that began within the hour before `now`, at most eight. Indexes outside
// any of the three arrays, and times that do not read, are skipped.
QList<WeatherHour> makeHours(const QStringList& times, const QList<double>& temperatures, const QList<qint64>& codes,
                             const QDateTime& now, const QTimeZone& zone);
// The daily entries; none when the block or any of its arrays is missing or of the wrong kind.
QList<WeatherDay> makeDays(const QJsonObject& root, const QTimeZone& zone);
// The whole answer; parse("forecast") when the current or hourly block is missing or malformed.
IntegrationResult<WeatherForecast> parseForecast(const QJsonValue& json, const QDateTime& now,
                                                 const QTimeZone& localZone);
// The places of a search answer; none for anything malformed.
QList<WeatherPlace> parsePlaces(const QJsonValue& json);

// A place as stored in the defaults, and back (none when a field is missing or of the wrong kind).
QVariantMap placeToMap(const WeatherPlace& place);
std::optional<WeatherPlace> placeFromMap(const QVariantMap& map);

} // namespace WeatherParsing
