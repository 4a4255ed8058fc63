#pragma once

#include <QLocale>
#include <QString>

#include <optional>

// The figures of the cards, in the user's locale; each call formats afresh, so a change of locale shows
// at the next fetch.

// Grouped decimal text, such as "12,345".
QString formatInteger(qint64 value, const QLocale& locale = QLocale());
// The amount in the currency (USD when none is given) with its symbol and its own number of decimals;
// "%.2f" when the code is not one ICU takes; "Unavailable" for an infinite or undefined amount.
QString formatMoney(double amount, const std::optional<QString>& currency, const QLocale& locale = QLocale());
