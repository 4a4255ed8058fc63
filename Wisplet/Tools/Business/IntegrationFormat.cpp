#include "Wisplet/Tools/Business/IntegrationFormat.h"

#include <unicode/numberformatter.h>

#include <cmath>

namespace {

icu::Locale icuLocale(const QLocale& locale)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale result = icu::Locale::forLanguageTag(locale.bcp47Name().toStdString(), status);
    return U_SUCCESS(status) ? result : icu::Locale::getRoot();
}

QString text(const icu::number::FormattedNumber& formatted, UErrorCode& status)
{
    const icu::UnicodeString result = formatted.toString(status);
    if (U_FAILURE(status))
        return {};
    return QString(reinterpret_cast<const QChar*>(result.getBuffer()), result.length());
}

} // namespace

QString formatInteger(qint64 value, const QLocale& locale)
{
    UErrorCode status = U_ZERO_ERROR;
    const QString result =
        text(icu::number::NumberFormatter::withLocale(icuLocale(locale)).formatInt(value, status), status);
    return result.isEmpty() ? QString::number(value) : result;
}

QString formatMoney(double amount, const std::optional<QString>& currency, const QLocale& locale)
{
    if (!std::isfinite(amount))
        return QStringLiteral("Unavailable");
    const QString code = currency ? currency->toUpper() : QStringLiteral("USD");
    UErrorCode status = U_ZERO_ERROR;
    // CurrencyUnit brings the symbol and the currency's own decimals ("¥1,500", "€25.00").
    const icu::CurrencyUnit unit(reinterpret_cast<const char16_t*>(code.utf16()), status);
    QString result;
    // ICU reads only the first three characters, so "Unknown currency" would pass as "UNK".
    if (U_SUCCESS(status) && code.size() == 3) {
        result =
            text(icu::number::NumberFormatter::withLocale(icuLocale(locale)).unit(unit).formatDouble(amount, status),
                 status);
    }
    return result.isEmpty() ? QString::asprintf("%.2f", amount) : result;
}
