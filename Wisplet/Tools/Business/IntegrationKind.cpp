#include "Wisplet/Tools/Business/IntegrationKind.h"

#include <QHash>

QString rawValue(IntegrationKind kind)
{
    switch (kind) {
    case IntegrationKind::stripe:
        return QStringLiteral("stripe");
    case IntegrationKind::polar:
        return QStringLiteral("polar");
    case IntegrationKind::dodo:
        return QStringLiteral("dodo");
    case IntegrationKind::lemonSqueezy:
        return QStringLiteral("lemonSqueezy");
    case IntegrationKind::dataFast:
        return QStringLiteral("dataFast");
    case IntegrationKind::plausible:
        return QStringLiteral("plausible");
    case IntegrationKind::umami:
        return QStringLiteral("umami");
    case IntegrationKind::github:
        return QStringLiteral("github");
    case IntegrationKind::claudeCode:
        return QStringLiteral("claudeCode");
    }
    return {};
}

std::optional<IntegrationKind> integrationKindFromRawValue(const QString& raw)
{
    for (IntegrationKind kind : allIntegrationKinds) {
        if (rawValue(kind) == raw)
            return kind;
    }
    return std::nullopt;
}

IntegrationCategory category(IntegrationKind kind)
{
    switch (kind) {
    case IntegrationKind::stripe:
    case IntegrationKind::polar:
    case IntegrationKind::dodo:
    case IntegrationKind::lemonSqueezy:
        return IntegrationCategory::payments;
    case IntegrationKind::dataFast:
    case IntegrationKind::plausible:
    case IntegrationKind::umami:
        return IntegrationCategory::analytics;
    case IntegrationKind::github:
    case IntegrationKind::claudeCode:
        break;
    }
    return IntegrationCategory::developer;
}

QString title(IntegrationKind kind)
{
    switch (kind) {
    case IntegrationKind::stripe:
        return QStringLiteral("Stripe");
    case IntegrationKind::polar:
        return QStringLiteral("Polar");
    case IntegrationKind::dodo:
        return QStringLiteral("Dodo Payments");
    case IntegrationKind::lemonSqueezy:
        return QStringLiteral("Lemon Squeezy");
    case IntegrationKind::dataFast:
        return QStringLiteral("DataFast");
    case IntegrationKind::plausible:
        return QStringLiteral("Plausible");
    case IntegrationKind::umami:
        return QStringLiteral("Umami");
    case IntegrationKind::github:
        return QStringLiteral("GitHub");
    case IntegrationKind::claudeCode:
        break;
    }
    return QStringLiteral("Claude Code");
}

QString symbolName(IntegrationKind kind)
{
    switch (category(kind)) {
    case IntegrationCategory::payments:
        return QStringLiteral("creditcard");
    case IntegrationCategory::analytics:
        return QStringLiteral("chart.bar");
    case IntegrationCategory::developer:
        break;
    }
    return kind == IntegrationKind::github ? QStringLiteral("chevron.left.forwardslash.chevron.right")
                                           : QStringLiteral("terminal");
}

QString title(IntegrationCategory category)
{
    switch (category) {
    case IntegrationCategory::payments:
        return QStringLiteral("Payments");
    case IntegrationCategory::analytics:
        return QStringLiteral("Analytics");
    case IntegrationCategory::developer:
        break;
    }
    return QStringLiteral("Developer");
}

QList<IntegrationKind> kinds(IntegrationCategory wanted)
{
    QList<IntegrationKind> result;
    for (IntegrationKind kind : allIntegrationKinds) {
        if (category(kind) == wanted)
            result << kind;
    }
    return result;
}

const QList<IntegrationField>& fields(IntegrationKind kind)
{
    static const QHash<IntegrationKind, QList<IntegrationField>> table{
        {IntegrationKind::stripe, {{"apiKey", "Restricted API key", true, "rk_live_…"}}},
        {IntegrationKind::polar,
         {{"token", "Access token", true, "polar_oat_…"},
          {"organizationId", "Organization ID (optional)", false, "uuid"},
          {"reportingCurrency", "Metrics reporting currency", false, "USD"}}},
        {IntegrationKind::dodo, {{"apiKey", "API key", true, "…"}, {"mode", "Mode", false, "live"}}},
        {IntegrationKind::lemonSqueezy,
         {{"apiKey", "API key", true, "eyJ…"}, {"storeId", "Store ID (optional)", false, "12345"}}},
        {IntegrationKind::dataFast, {{"apiKey", "Website API key", true, "df_…"}}},
        {IntegrationKind::plausible,
         {{"apiKey", "API key", true, "…"},
          {"siteId", "Site ID (domain)", false, "example.com"},
          {"baseURL", "Base URL (self-hosted)", false, "https://plausible.io"}}},
        {IntegrationKind::umami,
         {{"apiKey", "API key / token", true, "…"},
          {"websiteId", "Website ID", false, "uuid"},
          {"baseURL", "Base URL", false, "https://api.umami.is/v1"}}},
        {IntegrationKind::github, {{"token", "Personal access token", true, "github_pat_…"}}},
        {IntegrationKind::claudeCode, {}},
    };
    return *table.constFind(kind);
}
