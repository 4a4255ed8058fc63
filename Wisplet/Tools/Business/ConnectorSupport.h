#pragma once

#include "Wisplet/Tools/Business/IntegrationClient.h"

#include <QDateTime>
#include <QJsonValue>
#include <QTimeZone>

// Small rules the connectors share.
namespace ConnectorSupport {

// The first instant of now's day in the zone.
QDateTime startOfDay(const QDateTime& now, const QTimeZone& zone);
// "yyyy-MM-dd" of the instant's day in the zone: Gregorian, ASCII digits, whatever the user's locale.
QString serviceDate(const QDateTime& instant, const QTimeZone& zone);
// The base address without '/' at either end, so paths can be appended to it.
QString withoutOuterSlashes(QString base);
// Text for one path segment: '/', '?', '#' and the like cannot change the address.
QString pathSegment(const QString& text);
HttpHeaders bearer(const QString& token);

// Builds the address and fetches its JSON; an address makeURL refuses ends here.
QCoro::Task<IntegrationResult<QJsonValue>> getJSON(const IntegrationClient& client, QString address, QueryItems query,
                                                   HttpHeaders headers, CancelToken cancel);

} // namespace ConnectorSupport
