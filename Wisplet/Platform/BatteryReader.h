#pragma once

#include <QString>

#include <optional>

// The computer's own battery as the power-supply class shows it.
struct BatteryInfo
{
    int percent = 0;
    bool charging = false;
    bool onAC = false;
    std::optional<int> minutesLeft; // only while discharging, and at least 1
    std::optional<int> cycles; // only when the battery counts them
    std::optional<int> healthPercent; // full-charge capacity against the design, 0 to 100

    bool operator==(const BatteryInfo&) const = default;
};

// The first battery by name under root/sys/class/power_supply that powers the system (a wireless mouse's
// or keyboard's battery has the scope "Device" and never counts); nothing without one.
std::optional<BatteryInfo> readBattery(const QString& root);
