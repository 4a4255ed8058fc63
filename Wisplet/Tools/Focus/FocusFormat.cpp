#include "Wisplet/Tools/Focus/FocusFormat.h"

#include "Wisplet/Tools/Focus/FocusMode.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>

namespace {

constexpr double clockCap = 31'536'000;
constexpr qint64 secondsPerHour = 3600;
constexpr double shortestDuration = 1;
constexpr double longestDuration = 86'400;
constexpr double sexagesimal = 60;

// A clock of whole seconds; the caller has already capped and floored them.
QString clockText(qint64 t)
{
    if (t < secondsPerHour)
        return QString::asprintf("%02lld:%02lld", t / 60, t % 60);
    return QString::asprintf("%lld:%02lld:%02lld", t / secondsPerHour, (t % secondsPerHour) / 60, t % 60);
}

// A run of ASCII digits as a double: long runs never overflow, they only grow large.
std::optional<double> digitsValue(QStringView digits)
{
    if (digits.isEmpty())
        return std::nullopt;
    double value = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

std::optional<double> cLocaleNumber(const QString& text)
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(text, &ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

// "m:ss" or "h:mm:ss"; every piece but the first below 60.
std::optional<double> clockForm(const QString& text)
{
    const QStringList pieces = text.split(u':');
    if (pieces.size() < 2 || pieces.size() > 3)
        return std::nullopt;
    double value = 0;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const std::optional<double> piece = digitsValue(pieces.at(i));
        if (!piece || (i > 0 && *piece >= sexagesimal))
            return std::nullopt;
        value = value * sexagesimal + *piece;
    }
    return value;
}

std::optional<double> unitForm(const QString& text)
{
    // Unicode properties, so a no-break space or a tab separates units like a space does; the digits stay
    // ASCII, as the number conversion reads no others.
    static const QRegularExpression pattern(
        QStringLiteral(R"(^(?:([0-9]+(?:\.[0-9]+)?)h)?\s*(?:([0-9]+(?:\.[0-9]+)?)m)?\s*(?:([0-9]+(?:\.[0-9]+)?)s)?$)"),
        QRegularExpression::UseUnicodePropertiesOption);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const auto part = [&match](int group) { return cLocaleNumber(match.captured(group)).value_or(0); };
    return part(1) * secondsPerHour + part(2) * sexagesimal + part(3);
}

// Whole hours, "h", whole minutes without a unit: "1h30".
std::optional<double> shortForm(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral(R"(^\d+h\d+$)"));
    if (!pattern.match(text).hasMatch())
        return std::nullopt;
    const QStringList pieces = text.split(u'h', Qt::SkipEmptyParts);
    if (pieces.size() != 2)
        return std::nullopt;
    const std::optional<double> hours = digitsValue(pieces.at(0));
    const std::optional<double> minutes = digitsValue(pieces.at(1));
    if (!hours || !minutes || *minutes >= sexagesimal)
        return std::nullopt;
    return *hours * secondsPerHour + *minutes * sexagesimal;
}

std::optional<double> anyForm(const QString& text)
{
    if (text.contains(u':'))
        return clockForm(text);
    if (const std::optional<double> minutes = cLocaleNumber(text))
        return *minutes * sexagesimal;
    if (const std::optional<double> units = unitForm(text))
        return units;
    return shortForm(text);
}

} // namespace

QString formatClock(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        return clockText(0);
    return clockText(qint64(std::floor(std::min(seconds, clockCap))));
}

QString formatLap(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        seconds = 0;
    const qint64 hundredths = std::llround(std::min(seconds, clockCap) * 100);
    return clockText(std::min(hundredths / 100, qint64(clockCap))) + QString::asprintf(".%02lld", hundredths % 100);
}

std::optional<double> parseDuration(const QString& text)
{
    const QString cleaned = text.trimmed().toLower();
    if (cleaned.isEmpty())
        return std::nullopt;
    const std::optional<double> value = anyForm(cleaned);
    if (!value || !std::isfinite(*value) || *value < shortestDuration || *value > longestDuration)
        return std::nullopt;
    return value;
}

std::optional<QString> focusDisplayTime(FocusPhase phase, double remaining, double elapsed)
{
    if (phase == FocusPhase::idle)
        return std::nullopt;
    return formatClock(phase == FocusPhase::stopwatch ? elapsed : remaining);
}

double focusProgress(FocusPhase phase, double remaining, double duration)
{
    if (!isTimed(phase) || !(duration > 0))
        return 0;
    return 1 - remaining / duration;
}
