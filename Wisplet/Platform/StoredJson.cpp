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

std::optional<QDateTime> toDate(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    // Beyond about ±285 million years the millisecond count would overflow.
    constexpr double limit = double(std::numeric_limits<qint64>::max()) / 1000.0 / 2.0;
    const double seconds = value.toDouble();
    if (!std::isfinite(seconds) || std::abs(seconds) > limit)
        return std::nullopt;
    return dateFromReferenceSeconds(seconds);
}

std::optional<QUuid> toUuid(const QJsonValue& value)
{
    const QString text = value.toString();
    const QUuid uuid = QUuid::fromString(text);
    // fromString reads the first 36 (or 38, braced) characters and ignores whatever follows.
    const bool whole = text.compare(uuid.toString(QUuid::WithoutBraces), Qt::CaseInsensitive) == 0
        || text.compare(uuid.toString(QUuid::WithBraces), Qt::CaseInsensitive) == 0;
    if (uuid.isNull() || !whole)
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
