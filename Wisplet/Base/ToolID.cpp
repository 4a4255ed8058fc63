#include "Wisplet/Base/ToolID.h"

#include "Wisplet/Base/RawValue.h"

namespace {

constexpr std::array<const char*, 10> toolNames{"focus", "clipboard", "notes",   "links",    "system",
                                                "media", "calendar",  "weather", "business", "files"};
constexpr std::array<const char*, 10> toolTitles{"Focus",       "Clipboard", "Notes",   "Links",    "System",
                                                 "Now Playing", "Calendar",  "Weather", "Business", "Files"};
constexpr std::array<const char*, 10> toolIcons{
    "timer",     "doc.on.clipboard",          "note.text",          "link", "cpu", "music.note", "calendar",
    "cloud.sun", "chart.line.uptrend.xyaxis", "tray.and.arrow.down"};

} // namespace

QString rawValue(ToolID tool)
{
    return rawValue(toolNames, tool);
}

std::optional<ToolID> toolFromRawValue(const QString& raw)
{
    return fromRawValue<ToolID>(toolNames, raw);
}

QString toolTitle(ToolID tool)
{
    return QString::fromLatin1(toolTitles[std::size_t(tool)]);
}

QString toolIcon(ToolID tool)
{
    return QString::fromLatin1(toolIcons[std::size_t(tool)]);
}
