#pragma once

#include "Wisplet/Tools/Business/ConnectorSupport.h"
#include "Wisplet/Tools/Business/IntegrationConnector.h"

#include <QJsonObject>
#include <QTimeZone>

class Clock;

// What every payment fetch works with: "today" and "this month" are worked out from the clock in the zone.
struct PaymentContext
{
    const IntegrationClient& client;
    const Clock& clock;
    QTimeZone zone;
};

// The four payment services. Each lists or reads this month's sales and sums them per currency; a fetch
// ends with cancelled() before its next request once the token is cancelled.
QCoro::Task<SnapshotResult> fetchStripe(PaymentContext context, Credentials credentials, CancelToken cancel);
QCoro::Task<SnapshotResult> fetchPolar(PaymentContext context, Credentials credentials, CancelToken cancel);
QCoro::Task<SnapshotResult> fetchDodo(PaymentContext context, Credentials credentials, CancelToken cancel);
QCoro::Task<SnapshotResult> fetchLemonSqueezy(PaymentContext context, Credentials credentials, CancelToken cancel);

// One payment service behind the hub's connector interface.
class PaymentConnector final : public IntegrationConnector
{
public:
    using Fetch = QCoro::Task<SnapshotResult> (*)(PaymentContext, Credentials, CancelToken);

    PaymentConnector(Fetch fetcher, PaymentContext context);

    QCoro::Task<SnapshotResult> fetch(IntegrationKind kind, Credentials credentials, CancelToken cancel) override;

    // Registers the four payment services.
    static void addTo(ConnectorTable& table, const IntegrationClient& client, const Clock& clock,
                      const QTimeZone& zone = QTimeZone::systemTimeZone());

private:
    Fetch m_fetch;
    PaymentContext m_context;
};

// The pieces the payment fetches share.
namespace PaymentRequest {

// One answer that must be a JSON object holding an array of objects under listKey.
struct Page
{
    QJsonObject body;
    QList<QJsonObject> items;
};

// The payment fetches name it among their own pieces.
using ConnectorSupport::bearer;
// Stops before the request once cancelled; an answer of another shape fails as parse(shapeName).
QCoro::Task<IntegrationResult<Page>> get(const IntegrationClient& client, QString address, QueryItems query,
                                         HttpHeaders headers, QString listKey, QString shapeName, CancelToken cancel);
// An internet date-time ("2026-03-10T09:30:00Z", "…T09:30:00.123+13:00"): a full date, time and offset,
// with ASCII digits; anything else gives none.
std::optional<QDateTime> parseDate(const std::optional<QString>& text);

} // namespace PaymentRequest
