#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// The numbers of the weather page as texts. A value that is not finite or has no whole number within
// 64 bits shows as "—".
namespace WeatherTexts {

// Rounded to the nearest whole number, halves away from zero, with the unit: "21°C", "70°F".
QString temperatureText(double degrees, bool fahrenheit);
// Rounded, with a bare degree sign: "21°".
QString degreesText(double degrees);
// "Clear · feels 20°"
QString conditionLine(qint64 code, double feelsLike);
// "Humidity 80% · Wind 12 km/h", the wind truncated toward zero.
QString humidityWindLine(qint64 humidity, double wind);
// High before low, each truncated toward zero: "21° / 12°".
QString dayRangeText(double high, double low);

// What a place search sends: the typed text trimmed, or nothing when it has fewer than two characters as a
// reader counts them (a flag or an accented letter written with a combining mark is one).
QString searchText(const QString& typed);

// Night is before 06:00 and from 19:00 on the computer's clock.
bool isNight(const QTime& localTime);
// The hour in the locale's form, "3 PM" where the locale counts to twelve, else "15".
QString hourText(const QTime& time, const QLocale& locale = QLocale());
// The abbreviated weekday of the date's own calendar day.
QString weekdayText(const QDateTime& date, const QLocale& locale = QLocale());

} // namespace WeatherTexts
