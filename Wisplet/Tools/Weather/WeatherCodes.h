#pragma once

#include <QString>

// What a WMO weather interpretation code looks like and is called.
namespace WeatherCodes {

// The symbol for the code; the night forms apply to clear and partly cloudy skies only.
QString symbolName(qint64 code, bool isNight);
// The condition in words; "—" for a code outside the table.
QString conditionText(qint64 code);

} // namespace WeatherCodes
