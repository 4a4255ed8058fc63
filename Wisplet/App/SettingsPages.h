#pragma once

#include "Wisplet/Settings/SettingsSection.h"

class QWidget;

// The one table where each settings page plugs into the settings window: a fresh page over the shared
// stores it edits.
QWidget* createSettingsPage(SettingsSection section, QWidget* parent);
