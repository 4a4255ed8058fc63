#include "Wisplet/Tools/Focus/FocusSession.h"

#include "Wisplet/Platform/StoredJson.h"
#include "Wisplet/Tools/Focus/FocusMode.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

// JSON numbers are doubles; a cycle count beyond 2^53 cannot come from a real session.
constexpr double largestExactInteger = 9'007'199'254'740'992.0;

bool allFinite(std::initializer_list<double> values)
{
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

std::optional<double> number(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = object.value(key);
    return value.isDouble() ? std::optional<double>(value.toDouble()) : std::nullopt;
}

// Absent or null is no date; anything but a number is a broken document.
bool readDate(const QJsonObject& object, const QString& key, std::optional<StoredJson::Date>& date)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return true;
    date = StoredJson::toExactDate(value);
    return date.has_value();
}

std::optional<QList<double>> readLaps(const QJsonValue& value)
{
    if (!value.isArray())
        return std::nullopt;
    QList<double> laps;
    for (const QJsonValue& lap : value.toArray()) {
        if (!lap.isDouble())
            return std::nullopt;
        laps.append(lap.toDouble());
    }
    return laps;
}

// A running session that has nothing to run from is kept, paused at its frozen values.
bool canRun(const FocusSession& session)
{
    if (session.phase == FocusPhase::idle)
        return false;
    if (session.phase == FocusPhase::stopwatch)
        return session.start.has_value();
    return session.end.has_value();
}

} // namespace

std::optional<QByteArray> FocusSession::encode() const
{
    if (!allFinite({remaining, elapsed, duration})
        || !std::all_of(laps.begin(), laps.end(), [](double lap) { return std::isfinite(lap); }))
        return std::nullopt;
    QJsonObject object{
        {QStringLiteral("phase"), rawValue(phase)}, {QStringLiteral("running"), running},
        {QStringLiteral("remaining"), remaining},   {QStringLiteral("elapsed"), elapsed},
        {QStringLiteral("duration"), duration},     {QStringLiteral("cycle"), cycle},
    };
    if (end)
        object.insert(QStringLiteral("end"), StoredJson::fromExactDate(*end));
    if (start)
        object.insert(QStringLiteral("start"), StoredJson::fromExactDate(*start));
    QJsonArray lapArray;
    for (double lap : laps)
        lapArray.append(lap);
    object.insert(QStringLiteral("laps"), lapArray);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<FocusSession> FocusSession::decode(const QByteArray& bytes)
{
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();

    FocusSession session;
    const std::optional<FocusPhase> phase = focusPhaseFromRawValue(object.value(QStringLiteral("phase")).toString());
    const QJsonValue running = object.value(QStringLiteral("running"));
    const std::optional<double> remaining = number(object, QStringLiteral("remaining"));
    const std::optional<double> elapsed = number(object, QStringLiteral("elapsed"));
    const std::optional<double> duration = number(object, QStringLiteral("duration"));
    const std::optional<double> cycle = number(object, QStringLiteral("cycle"));
    const std::optional<QList<double>> laps = readLaps(object.value(QStringLiteral("laps")));
    if (!phase || !running.isBool() || !remaining || !elapsed || !duration || !cycle || !laps
        || std::trunc(*cycle) != *cycle || std::abs(*cycle) > largestExactInteger
        || !readDate(object, QStringLiteral("end"), session.end)
        || !readDate(object, QStringLiteral("start"), session.start))
        return std::nullopt;
    if (!allFinite({*remaining, *elapsed, *duration}) || !(*duration > 0))
        return std::nullopt;

    session.phase = *phase;
    session.running = running.toBool();
    session.remaining = *remaining;
    session.elapsed = *elapsed;
    session.duration = *duration;
    session.cycle = qint64(*cycle);
    session.laps = *laps;
    session.running = session.running && canRun(session);
    return session;
}

bool FocusSession::isRestoredFrom(const QByteArray& stored) const
{
    return decode(stored).value_or(FocusSession{}) == *this;
}
