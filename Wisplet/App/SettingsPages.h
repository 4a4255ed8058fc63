#pragma once

#include "Wisplet/Settings/SettingsSection.h"

#include <functional>

class QWidget;

// The one table where each settings page plugs into the settings window: a fresh page over the shared
// stores it edits. `openStudio` opens the program's one expression studio.
QWidget* createSettingsPage(SettingsSection section, const std::function<void()>& openStudio, QWidget* parent);
