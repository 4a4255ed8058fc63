#include "Wisplet/Platform/StoredJson.h"

#include <cmath>
#include <limits>

namespace StoredJson {

QDateTime referenceDate()
{
    return QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
}

double secondsSinceReferenceDate(const QDateTime& date)
{
    return double(referenceDate().msecsTo(date)) / 1000.0;
}

QDateTime dateFromReferenceSeconds(double seconds)
{
    return referenceDate().addMSecs(qint64(std::llround(seconds * 1000.0)));
}

QJsonValue fromDate(const QDateTime& date)
{
    return secondsSinceReferenceDate(date);
}

QJsonValue fromUuid(const QUuid& uuid)
{
    return uuid.toString(QUuid::WithoutBraces).toUpper();
}

QJsonValue fromData(const QByteArray& data)
{
    return QString::fromLatin1(data.toBase64());
}

QJsonValue fromExactDate(Date date)
{
    return date.seconds;
}

std::optional<Date> toExactDate(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    // Beyond about ±285 million years the millisecond count would overflow.
    constexpr double limit = double(std::numeric_limits<qint64>::max()) / 1000.0 / 2.0;
    const double seconds = value.toDouble();
    if (!std::isfinite(seconds) || std::abs(seconds) > limit)
        return std::nullopt;
    return Date{seconds};
}

std::optional<QDateTime> toDate(const QJsonValue& value)
{
    const std::optional<Date> date = toExactDate(value);
    return date ? std::optional<QDateTime>(date->toDateTime()) : std::nullopt;
}

std::optional<QUuid> toUuid(const QJsonValue& value)
{
    static constexpr qsizetype uuidLength = 36;
    const QString text = value.toString();
    if (text.size() != uuidLength)
        return std::nullopt;
    // fromString also takes braces and ignores whatever follows the 36 characters; the length and the
    // round trip rule both out.
    const QUuid uuid = QUuid::fromString(text);
    if (uuid.isNull() || text.compare(uuid.toString(QUuid::WithoutBraces), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    return uuid;
}

std::optional<QByteArray> toData(const QJsonValue& value)
{
    if (!value.isString())
        return std::nullopt;
    auto decoded = QByteArray::fromBase64Encoding(value.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return *decoded;
}

} // namespace StoredJson
