#include "Wisplet/Settings/SettingsSection.h"

#include "Wisplet/Base/RawValue.h"

namespace {

constexpr std::array<const char*, 5> names{"general", "wisp", "tools", "integrations", "about"};
constexpr std::array<const char*, 5> symbols{"gearshape", "face.smiling", "square.grid.2x2", "link", "info.circle"};

} // namespace

QString rawValue(SettingsSection section)
{
    return rawValue(names, section);
}

std::optional<SettingsSection> settingsSectionFromRawValue(const QString& raw)
{
    return fromRawValue<SettingsSection>(names, raw);
}

QString sectionTitle(SettingsSection section)
{
    return capitalised(rawValue(section));
}

QString sectionSymbol(SettingsSection section)
{
    return QString::fromLatin1(symbols[std::size_t(section)]);
}
