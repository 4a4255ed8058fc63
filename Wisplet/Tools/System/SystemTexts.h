#pragma once

#include <QString>

struct BatteryInfo;

// The system tool's texts.

// Decimal units (1000), up to TB: "999 B", "1.5 KB", "123 KB"; "/s" appended for a rate.
QString formatBytes(double bytes, bool perSecond);
// "42m", "5h 7m", "3d 4h".
QString formatUptime(double seconds);
// The battery's symbol name: its level, or the bolt while it charges.
QString batterySymbol(const BatteryInfo& battery);
// "64% · 3h 5m left · 212 cycles · Capacity ≈91%", with only the parts that apply.
QString batteryText(const BatteryInfo& battery);
