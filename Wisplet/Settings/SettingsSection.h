#pragma once

#include <QString>

#include <array>
#include <optional>

// The settings window's pages, in the order of its sidebar.
enum class SettingsSection { general, wisp, tools, integrations, about };

inline constexpr std::array allSettingsSections{SettingsSection::general, SettingsSection::wisp, SettingsSection::tools,
                                                SettingsSection::integrations, SettingsSection::about};

QString rawValue(SettingsSection section);
// Exact and case-sensitive: any other string is no section.
std::optional<SettingsSection> settingsSectionFromRawValue(const QString& raw);
// The raw value capitalised, shown in the sidebar and over the page.
QString sectionTitle(SettingsSection section);
// The symbol name beside the title in the sidebar.
QString sectionSymbol(SettingsSection section);
