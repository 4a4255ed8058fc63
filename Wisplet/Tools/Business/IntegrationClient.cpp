#include "Wisplet/Tools/Business/IntegrationClient.h"

#include "Wisplet/Tools/Business/QtHttpTransport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringDecoder>
#include <QtConcurrent/QtConcurrentRun>

#include <QCoro/QCoroFuture>

namespace {

constexpr qsizetype excerptBytes = 160;
// Parsing this much takes well under a millisecond; a larger answer is parsed on a worker.
constexpr qsizetype parseInPlaceBytes = 64 * 1024;

// Strict: bytes cut inside a character give no excerpt rather than a replacement character.
QString excerptOf(const QByteArray& body)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(body.left(excerptBytes));
    return decoder.hasError() ? QString() : text.trimmed();
}

// Fixed texts: Qt's error strings name the address with its query, keys included.
QString failureText(HttpResponse::Failure failure)
{
    switch (failure) {
    case HttpResponse::Failure::timedOut:
        return QStringLiteral("The request timed out.");
    case HttpResponse::Failure::hostNotFound:
        return QStringLiteral("A server with the specified hostname could not be found.");
    case HttpResponse::Failure::cannotConnect:
        return QStringLiteral("Could not connect to the server.");
    case HttpResponse::Failure::secureConnection:
        return QStringLiteral("A secure connection to the server could not be made.");
    case HttpResponse::Failure::tooLarge:
        return QStringLiteral("The server's answer was too large.");
    case HttpResponse::Failure::redirectRefused:
        return QStringLiteral("The server redirected the request to another address; a request carrying a key "
                              "is not sent on.");
    default:
        return QStringLiteral("The network connection failed.");
    }
}

QByteArray encoded(const QString& text)
{
    // Everything but the unreserved characters, so nothing is read as a separator or a space.
    return QUrl::toPercentEncoding(text);
}

} // namespace

IntegrationClient::IntegrationClient(HttpTransport& transport, ServiceEndpoints endpoints,
                                     std::chrono::milliseconds timeout)
    : m_transport(transport)
    , m_endpoints(std::move(endpoints))
    , m_timeout(timeout)
{ }

IntegrationClient& IntegrationClient::shared()
{
    static auto* transport = new QtHttpTransport;
    static auto* client = new IntegrationClient(*transport, ServiceEndpoints::hosted());
    return *client;
}

IntegrationResult<QString> IntegrationClient::required(const QString& key, const QString& label,
                                                       const Credentials& credentials)
{
    QString value = optional(key, credentials);
    if (value.isEmpty())
        return IntegrationError::missing(label);
    return value;
}

QString IntegrationClient::optional(const QString& key, const Credentials& credentials)
{
    return credentials.value(key).trimmed();
}

IntegrationResult<QUrl> IntegrationClient::makeURL(const QString& address, const QueryItems& query)
{
    // The scheme as written: QUrl lower-cases it, and would take "HTTPS" for "https".
    if (!address.startsWith(QLatin1String("https:")))
        return IntegrationError::parse(QStringLiteral("URL"));
    QUrl url(address, QUrl::StrictMode);
    if (!url.isValid())
        return IntegrationError::parse(QStringLiteral("URL"));
    if (!query.isEmpty()) {
        QByteArray text;
        for (const auto& [key, value] : query) {
            if (!text.isEmpty())
                text += '&';
            text += encoded(key) + '=' + encoded(value);
        }
        url.setQuery(QString::fromLatin1(text), QUrl::StrictMode);
    }
    if (!url.isValid() || url.scheme() != QLatin1String("https") || url.host().isEmpty())
        return IntegrationError::parse(QStringLiteral("URL"));
    return url;
}

QCoro::Task<IntegrationResult<QJsonValue>> IntegrationClient::getJSON(QUrl url, HttpHeaders headers, CancelToken cancel,
                                                                      qint64 maxBytes) const
{
    headers.prepend({QByteArrayLiteral("User-Agent"), QByteArrayLiteral("Wisplet")});
    const HttpResponse response =
        co_await m_transport.get(std::move(url), std::move(headers), m_timeout, maxBytes, cancel);
    if (cancel.isCancelled())
        co_return IntegrationError::cancelled();
    if (response.body.size() <= parseInPlaceBytes)
        co_return resultOf(response);
    IntegrationResult<QJsonValue> result = co_await QtConcurrent::run(&IntegrationClient::resultOf, response);
    if (cancel.isCancelled())
        co_return IntegrationError::cancelled();
    co_return result;
}

IntegrationResult<QJsonValue> IntegrationClient::resultOf(const HttpResponse& response)
{
    switch (response.failure) {
    case HttpResponse::Failure::none:
        break;
    case HttpResponse::Failure::notHttp:
        return IntegrationError::badResponse();
    case HttpResponse::Failure::cancelled:
        return IntegrationError::cancelled();
    default:
        return IntegrationError::system(failureText(response.failure));
    }
    if (response.status < 200 || response.status > 299)
        return IntegrationError::http(response.status, excerptOf(response.body));
    // Wrapped, so that a bare value parses too; the wrapper must then hold exactly one.
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson('[' + response.body + ']', &error);
    if (error.error != QJsonParseError::NoError || document.array().size() != 1)
        return IntegrationError::system(
            QStringLiteral("The data couldn't be read because it isn't in the correct format."));
    return document.array().first();
}

QDateTime IntegrationClient::startOfMonth(const QDateTime& now, const QTimeZone& zone)
{
    const QDate today = now.toTimeZone(zone).date();
    // startOfDay finds the first instant even where midnight falls in a daylight-saving gap.
    const QDateTime start = QDate(today.year(), today.month(), 1).startOfDay(zone);
    return start.isValid() ? start : today.startOfDay(zone);
}
