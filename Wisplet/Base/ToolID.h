#pragma once

#include <QHashFunctions>
#include <QString>

#include <array>
#include <optional>

// The ten tools of the panel. The order is that of every tool list and the default tab order.
enum class ToolID { focus, clipboard, notes, links, system, media, calendar, weather, business, files };

inline constexpr std::array allTools{ToolID::focus,    ToolID::clipboard, ToolID::notes,    ToolID::links,
                                     ToolID::system,   ToolID::media,     ToolID::calendar, ToolID::weather,
                                     ToolID::business, ToolID::files};

QString rawValue(ToolID tool);
// Exact and case-sensitive: any other string is no tool.
std::optional<ToolID> toolFromRawValue(const QString& raw);
// The title shown on tabs and in menus.
QString toolTitle(ToolID tool);
// The symbol name of the tool's icon.
QString toolIcon(ToolID tool);

inline size_t qHash(ToolID tool, size_t seed = 0) noexcept
{
    return qHash(int(tool), seed);
}
