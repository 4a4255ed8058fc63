#pragma once

#include <QString>

#include <array>
#include <optional>

// Enumerations stored by their raw value, a string equal to the case name. A table lists the names in
// case order; reading is exact and case-sensitive.
template <typename Enum, std::size_t N>
QString rawValue(const std::array<const char*, N>& names, Enum value)
{
    return QString::fromLatin1(names[std::size_t(value)]);
}

template <typename Enum, std::size_t N>
std::optional<Enum> fromRawValue(const std::array<const char*, N>& names, const QString& raw)
{
    for (std::size_t i = 0; i < N; ++i) {
        if (raw == QLatin1String(names[i]))
            return Enum(i);
    }
    return std::nullopt;
}

// A raw value as a title: "medium" reads Medium.
inline QString capitalised(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}
