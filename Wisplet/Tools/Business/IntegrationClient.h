#pragma once

#include "Wisplet/Tools/Business/CancelToken.h"
#include "Wisplet/Tools/Business/HttpTransport.h"
#include "Wisplet/Tools/Business/IntegrationError.h"
#include "Wisplet/Tools/Business/ServiceEndpoints.h"

#include <QDateTime>
#include <QHash>
#include <QJsonValue>
#include <QTimeZone>

#include <chrono>

using Credentials = QHash<QString, QString>;
using QueryItems = QList<std::pair<QString, QString>>;

// The JSON GET request every connector and the weather tool make, and the small rules around it.
class IntegrationClient final
{
public:
    static constexpr std::chrono::milliseconds defaultTimeout{20'000};
    // Far above any page the services send; an answer past it is refused, not read.
    static constexpr qint64 serviceBodyLimit = 8 * 1024 * 1024;

    IntegrationClient(HttpTransport& transport, ServiceEndpoints endpoints,
                      std::chrono::milliseconds timeout = defaultTimeout);

    // Over QtNetwork and the hosted services; created on first use and never destroyed.
    static IntegrationClient& shared();

    const ServiceEndpoints& endpoints() const { return m_endpoints; }

    // The trimmed value; missing(label) when it is absent or blank.
    static IntegrationResult<QString> required(const QString& key, const QString& label,
                                               const Credentials& credentials);
    // The trimmed value, or empty.
    static QString optional(const QString& key, const Credentials& credentials);
    // The address with the query items (each key and value percent-encoded here, so '+', '&', '=', '#',
    // '%' and non-ASCII text arrive as they are); only an address written with "https:" and a host is accepted.
    static IntegrationResult<QUrl> makeURL(const QString& address, const QueryItems& query = {});

    // The parsed JSON of a 2xx answer: an object, an array or a bare value. A body over maxBytes is refused.
    QCoro::Task<IntegrationResult<QJsonValue>> getJSON(QUrl url, HttpHeaders headers, CancelToken cancel,
                                                       qint64 maxBytes = serviceBodyLimit) const;

    // What an answer amounts to; pure, for the transport's result.
    static IntegrationResult<QJsonValue> resultOf(const HttpResponse& response);
    // The first instant of now's month in the zone.
    static QDateTime startOfMonth(const QDateTime& now, const QTimeZone& zone = QTimeZone::systemTimeZone());

private:
    HttpTransport& m_transport;
    ServiceEndpoints m_endpoints;
    std::chrono::milliseconds m_timeout;
};
