#include "Wisplet/Tools/Business/IntegrationJSON.h"

#include <QJsonArray>

#include <charconv>
#include <cmath>

namespace {

// from_chars takes no leading '+' and no white space, is locale-independent and must consume everything.
template <typename Number>
std::optional<Number> parseWhole(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.startsWith('+') && !bytes.startsWith("+-") && !bytes.startsWith("++"))
        bytes.remove(0, 1);
    Number value{};
    const char* end = bytes.constData() + bytes.size();
    const auto [next, error] = std::from_chars(bytes.constData(), end, value);
    if (error != std::errc() || next != end || bytes.isEmpty())
        return std::nullopt;
    return value;
}

} // namespace

namespace IntegrationJSON {

std::optional<QJsonObject> object(const QString& key, const QJsonObject& json)
{
    const QJsonValue value = json.value(key);
    return value.isObject() ? std::optional(value.toObject()) : std::nullopt;
}

std::optional<QList<QJsonObject>> objects(const QString& key, const QJsonObject& json)
{
    const QJsonValue value = json.value(key);
    if (!value.isArray())
        return std::nullopt;
    QList<QJsonObject> result;
    for (const QJsonValue element : value.toArray()) {
        if (!element.isObject())
            return std::nullopt;
        result << element.toObject();
    }
    return result;
}

std::optional<QString> string(const QString& key, const QJsonObject& json)
{
    const QJsonValue value = json.value(key);
    return value.isString() ? std::optional(value.toString()) : std::nullopt;
}

std::optional<bool> boolean(const QString& key, const QJsonObject& json)
{
    const QJsonValue value = json.value(key);
    return value.isBool() ? std::optional(value.toBool()) : std::nullopt;
}

std::optional<double> number(const QString& key, const QJsonObject& json)
{
    const QJsonValue value = json.value(key);
    if (value.isDouble())
        return value.toDouble();
    if (value.isString())
        return parseWhole<double>(value.toString());
    return std::nullopt;
}

std::optional<qint64> integer(const QString& key, const QJsonObject& json)
{
    const QJsonValue value = json.value(key);
    if (value.isString())
        return parseWhole<qint64>(value.toString());
    if (!value.isDouble())
        return std::nullopt;
    // Integers that fit are kept exactly by the parser; a double beyond 2^53 would lose digits.
    const QVariant exact = value.toVariant();
    if (exact.typeId() == QMetaType::LongLong)
        return exact.toLongLong();
    const double number = value.toDouble();
    constexpr double limit = 9223372036854775808.0; // 2^63
    if (!std::isfinite(number) || std::fabs(number) >= limit)
        return std::nullopt;
    return qint64(std::trunc(number));
}

} // namespace IntegrationJSON
