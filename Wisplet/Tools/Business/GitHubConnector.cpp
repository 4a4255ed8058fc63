#include "Wisplet/Tools/Business/GitHubConnector.h"

#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Tools/Business/ConnectorSupport.h"
#include "Wisplet/Tools/Business/IntegrationJSON.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

namespace {

// The notifications page holds at most this many, so more reads as "50+".
constexpr qsizetype notificationsPage = 50;

QString unreadText(qsizetype unread)
{
    return unread < notificationsPage ? QString::number(unread) : QStringLiteral("%1+").arg(notificationsPage);
}

} // namespace

GitHubConnector::GitHubConnector(const IntegrationClient& client, const Clock& clock)
    : m_client(client)
    , m_clock(clock)
{ }

QCoro::Task<SnapshotResult> GitHubConnector::fetch(IntegrationKind, Credentials credentials, CancelToken cancel)
{
    const IntegrationResult<QString> token =
        IntegrationClient::required(QStringLiteral("token"), QStringLiteral("Token"), credentials);
    if (!token.ok())
        co_return token.error();
    HttpHeaders headers = ConnectorSupport::bearer(token.value());
    headers.append({QByteArrayLiteral("Accept"), QByteArrayLiteral("application/vnd.github+json")});
    headers.append({QByteArrayLiteral("X-GitHub-Api-Version"), QByteArrayLiteral("2022-11-28")});

    // Named: GCC 12 mishandles a braced list inside a co_await expression.
    const QueryItems page{{QStringLiteral("per_page"), QString::number(notificationsPage)}};
    const IntegrationResult<QJsonValue> notifications = co_await ConnectorSupport::getJSON(
        m_client, m_client.endpoints().github + QStringLiteral("/notifications"), page, headers, cancel);
    if (!notifications.ok())
        co_return notifications.error();
    qsizetype unread = 0;
    if (notifications.value().isArray()) {
        const QJsonArray items = notifications.value().toArray();
        const bool allObjects =
            std::all_of(items.begin(), items.end(), [](const QJsonValue& v) { return v.isObject(); });
        unread = allObjects ? items.size() : 0;
    }

    const IntegrationResult<qint64> mine =
        co_await searchCount(QStringLiteral("is:open is:pr author:@me"), headers, cancel);
    if (!mine.ok())
        co_return mine.error();
    const IntegrationResult<qint64> reviews =
        co_await searchCount(QStringLiteral("is:open is:pr review-requested:@me"), headers, cancel);
    if (!reviews.ok())
        co_return reviews.error();

    IntegrationSnapshot snapshot;
    snapshot.metrics = {
        {QStringLiteral("Unread"), unreadText(unread)},
        {QStringLiteral("My open PRs"), QString::number(mine.value())},
        {QStringLiteral("Review requests"), QString::number(reviews.value())},
    };
    snapshot.fetchedAt = m_clock.now();
    co_return snapshot;
}

QCoro::Task<IntegrationResult<qint64>> GitHubConnector::searchCount(QString query, HttpHeaders headers,
                                                                    CancelToken cancel) const
{
    const QueryItems items{{QStringLiteral("q"), query}, {QStringLiteral("per_page"), QStringLiteral("1")}};
    const IntegrationResult<QJsonValue> answer =
        co_await ConnectorSupport::getJSON(m_client, m_client.endpoints().github + QStringLiteral("/search/issues"),
                                           items, std::move(headers), std::move(cancel));
    if (!answer.ok())
        co_return answer.error();
    if (!answer.value().isObject())
        co_return IntegrationError::parse(QStringLiteral("search"));
    co_return IntegrationJSON::integer(QStringLiteral("total_count"), answer.value().toObject()).value_or(0);
}
