#pragma once

#include <QHashFunctions>
#include <QList>
#include <QString>

#include <array>
#include <optional>

// The outside services the business tool can follow. The order is that of every list of services (cards,
// settings rows, the refresh loop).
enum class IntegrationKind { stripe, polar, dodo, lemonSqueezy, dataFast, plausible, umami, github, claudeCode };

inline constexpr std::array allIntegrationKinds{
    IntegrationKind::stripe,       IntegrationKind::polar,    IntegrationKind::dodo,
    IntegrationKind::lemonSqueezy, IntegrationKind::dataFast, IntegrationKind::plausible,
    IntegrationKind::umami,        IntegrationKind::github,   IntegrationKind::claudeCode};

// The settings window's sections, in this order.
enum class IntegrationCategory { payments, analytics, developer };

inline constexpr std::array allIntegrationCategories{IntegrationCategory::payments, IntegrationCategory::analytics,
                                                     IntegrationCategory::developer};

// One credential input of a service. A secure field lives in the keyring, a plain one in the defaults.
struct IntegrationField
{
    QString key;
    QString label;
    bool secure = false;
    QString placeholder;
};

// The stored identity of a kind: what the enabled list holds and the first half of every credential name.
QString rawValue(IntegrationKind kind);
// Exact and case-sensitive: any other text is no kind.
std::optional<IntegrationKind> integrationKindFromRawValue(const QString& raw);

IntegrationCategory category(IntegrationKind kind);
// How a service is named and drawn on its card and settings row.
QString title(IntegrationKind kind);
QString symbolName(IntegrationKind kind);
QString title(IntegrationCategory category);
// The category's kinds in kind order.
QList<IntegrationKind> kinds(IntegrationCategory category);

// The credential fields a kind asks for, in display order.
const QList<IntegrationField>& fields(IntegrationKind kind);

inline size_t qHash(IntegrationKind kind, size_t seed = 0) noexcept
{
    return qHash(int(kind), seed);
}
