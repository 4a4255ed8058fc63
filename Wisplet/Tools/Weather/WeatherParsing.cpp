#include "Wisplet/Tools/Weather/WeatherParsing.h"

#include "Wisplet/Tools/Business/IntegrationJSON.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QMap>

#include <cmath>

namespace {

constexpr int maxHours = 8;
constexpr qint64 hourSeconds = 3600;

QueryItems itemsOf(const QMap<QString, QString>& map)
{
    QueryItems items;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        items.append({it.key(), it.value()});
    return items;
}

// Strict casts: one element of another kind fails the whole array.
template <typename T, typename Read>
std::optional<QList<T>> arrayOf(const QJsonValue& value, Read read)
{
    if (!value.isArray())
        return std::nullopt;
    QList<T> result;
    for (const QJsonValue element : value.toArray()) {
        const std::optional<T> item = read(element);
        if (!item)
            return std::nullopt;
        result << *item;
    }
    return result;
}

std::optional<QStringList> strings(const QJsonValue& value)
{
    return arrayOf<QString>(value, [](const QJsonValue& element) {
        return element.isString() ? std::optional(element.toString()) : std::nullopt;
    });
}

std::optional<QList<double>> numbers(const QJsonValue& value)
{
    return arrayOf<double>(value, [](const QJsonValue& element) {
        return element.isDouble() ? std::optional(element.toDouble()) : std::nullopt;
    });
}

// Whole numbers only: 3.0 reads, 3.5 does not.
std::optional<QList<qint64>> integers(const QJsonValue& value)
{
    return arrayOf<qint64>(value, [](const QJsonValue& element) -> std::optional<qint64> {
        const double number = element.toDouble(NAN);
        if (!element.isDouble() || number != std::trunc(number) || std::fabs(number) >= 0x1p63)
            return std::nullopt;
        return qint64(number);
    });
}

// "yyyy-MM-dd'T'HH:mm" in the zone. Date and time are read apart, so the computer's own zone (where the
// time may fall in a daylight-saving gap) never takes part.
std::optional<QDateTime> hourDate(const QString& text, const QTimeZone& zone)
{
    const QStringList parts = text.split(QLatin1Char('T'));
    if (parts.size() != 2)
        return std::nullopt;
    const QDate date = QDate::fromString(parts[0], QStringLiteral("yyyy-MM-dd"));
    const QTime time = QTime::fromString(parts[1], QStringLiteral("HH:mm"));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, zone);
}

bool isNumber(const QVariant& value)
{
    return value.typeId() == QMetaType::Double || value.typeId() == QMetaType::LongLong
        || value.typeId() == QMetaType::Int;
}

} // namespace

namespace WeatherParsing {

QString coordinateText(double value)
{
    QString text = QString::number(value, 'g', QLocale::FloatingPointShortest);
    if (std::isfinite(value) && !text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e')))
        text += QStringLiteral(".0");
    return text;
}

QueryItems forecastQuery(const WeatherPlace& place, const QString& key, bool fahrenheit)
{
    return itemsOf({
        {QStringLiteral("latitude"), coordinateText(place.latitude)},
        {QStringLiteral("longitude"), coordinateText(place.longitude)},
        {QStringLiteral("current"),
         QStringLiteral("temperature_2m,apparent_temperature,relative_humidity_2m,weather_code,wind_speed_10m")},
        {QStringLiteral("hourly"), QStringLiteral("temperature_2m,weather_code")},
        {QStringLiteral("forecast_days"), QStringLiteral("7")},
        {QStringLiteral("timezone"), QStringLiteral("auto")},
        {QStringLiteral("daily"), QStringLiteral("temperature_2m_max,temperature_2m_min,weather_code")},
        {QStringLiteral("apikey"), key},
        {QStringLiteral("temperature_unit"), fahrenheit ? QStringLiteral("fahrenheit") : QStringLiteral("celsius")},
    });
}

QueryItems searchQuery(const QString& text, const QString& key)
{
    return itemsOf({
        {QStringLiteral("name"), text},
        {QStringLiteral("count"), QStringLiteral("6")},
        {QStringLiteral("apikey"), key},
    });
}

QTimeZone forecastZone(const QJsonObject& root, const QTimeZone& fallback)
{
    const std::optional<QString> id = IntegrationJSON::string(QStringLiteral("timezone"), root);
    if (!id || !QTimeZone::isTimeZoneIdAvailable(id->toUtf8()))
        return fallback;
    return QTimeZone(id->toUtf8());
}

QList<WeatherHour> makeHours(const QStringList& times, const QList<double>& temperatures, const QList<qint64>& codes,
                             const QDateTime& now, const QTimeZone& zone)
{
    const QDateTime earliest = now.addSecs(-hourSeconds);
    QList<WeatherHour> hours;
    for (qsizetype i = 0; i < times.size() && hours.size() < maxHours; ++i) {
        if (i >= temperatures.size() || i >= codes.size())
            continue;
        const std::optional<QDateTime> date = hourDate(times[i], zone);
        if (date && *date > earliest)
            hours.append({*date, temperatures[i], codes[i]});
    }
    return hours;
}

QList<WeatherDay> makeDays(const QJsonObject& root, const QTimeZone& zone)
{
    const std::optional<QJsonObject> daily = IntegrationJSON::object(QStringLiteral("daily"), root);
    if (!daily)
        return {};
    const std::optional<QStringList> times = strings(daily->value(QStringLiteral("time")));
    const std::optional<QList<double>> highs = numbers(daily->value(QStringLiteral("temperature_2m_max")));
    const std::optional<QList<double>> lows = numbers(daily->value(QStringLiteral("temperature_2m_min")));
    const std::optional<QList<qint64>> codes = integers(daily->value(QStringLiteral("weather_code")));
    if (!times || !highs || !lows || !codes)
        return {};
    QList<WeatherDay> days;
    for (qsizetype i = 0; i < times->size(); ++i) {
        if (i >= highs->size() || i >= lows->size() || i >= codes->size())
            continue;
        const QDate date = QDate::fromString(times->at(i), QStringLiteral("yyyy-MM-dd"));
        if (date.isValid())
            days.append({date.startOfDay(zone), lows->at(i), highs->at(i), codes->at(i)});
    }
    return days;
}

IntegrationResult<WeatherForecast> parseForecast(const QJsonValue& json, const QDateTime& now,
                                                 const QTimeZone& localZone)
{
    const IntegrationError malformed = IntegrationError::parse(QStringLiteral("forecast"));
    const QJsonObject root = json.toObject();
    const std::optional<QJsonObject> current = IntegrationJSON::object(QStringLiteral("current"), root);
    const std::optional<QJsonObject> hourly = IntegrationJSON::object(QStringLiteral("hourly"), root);
    if (!json.isObject() || !current || !hourly)
        return malformed;
    const std::optional<QStringList> times = strings(hourly->value(QStringLiteral("time")));
    const std::optional<QList<double>> temperatures = numbers(hourly->value(QStringLiteral("temperature_2m")));
    const std::optional<QList<qint64>> codes = integers(hourly->value(QStringLiteral("weather_code")));
    if (!times || !temperatures || !codes)
        return malformed;

    using namespace IntegrationJSON;
    WeatherForecast forecast;
    forecast.current = {
        number(QStringLiteral("temperature_2m"), *current).value_or(0),
        number(QStringLiteral("apparent_temperature"), *current).value_or(0),
        integer(QStringLiteral("relative_humidity_2m"), *current).value_or(0),
        number(QStringLiteral("wind_speed_10m"), *current).value_or(0),
        integer(QStringLiteral("weather_code"), *current).value_or(0),
    };
    const QTimeZone zone = forecastZone(root, localZone);
    forecast.hours = makeHours(*times, *temperatures, *codes, now, zone);
    forecast.days = makeDays(root, zone);
    return forecast;
}

QList<WeatherPlace> parsePlaces(const QJsonValue& json)
{
    const std::optional<QList<QJsonObject>> results =
        IntegrationJSON::objects(QStringLiteral("results"), json.toObject());
    if (!results)
        return {};
    QList<WeatherPlace> places;
    for (const QJsonObject& result : *results) {
        const std::optional<QString> name = IntegrationJSON::string(QStringLiteral("name"), result);
        const std::optional<double> latitude = IntegrationJSON::number(QStringLiteral("latitude"), result);
        const std::optional<double> longitude = IntegrationJSON::number(QStringLiteral("longitude"), result);
        if (!name || !latitude || !longitude)
            continue;
        const std::optional<QString> region = IntegrationJSON::string(QStringLiteral("admin1"), result);
        const std::optional<QString> country = IntegrationJSON::string(QStringLiteral("country"), result);
        places.append({*name, region.value_or(QString()), country.value_or(QString()), *latitude, *longitude});
    }
    return places;
}

QVariantMap placeToMap(const WeatherPlace& place)
{
    return {
        {QStringLiteral("name"), place.name},           {QStringLiteral("region"), place.region},
        {QStringLiteral("country"), place.country},     {QStringLiteral("latitude"), place.latitude},
        {QStringLiteral("longitude"), place.longitude},
    };
}

std::optional<WeatherPlace> placeFromMap(const QVariantMap& map)
{
    const QVariant name = map.value(QStringLiteral("name"));
    // A place saved before the region was kept apart has none.
    const QVariant region = map.value(QStringLiteral("region"), QString());
    const QVariant country = map.value(QStringLiteral("country"));
    const QVariant latitude = map.value(QStringLiteral("latitude"));
    const QVariant longitude = map.value(QStringLiteral("longitude"));
    if (name.typeId() != QMetaType::QString || region.typeId() != QMetaType::QString
        || country.typeId() != QMetaType::QString || !isNumber(latitude) || !isNumber(longitude))
        return std::nullopt;
    return WeatherPlace{name.toString(), region.toString(), country.toString(), latitude.toDouble(),
                        longitude.toDouble()};
}

} // namespace WeatherParsing
