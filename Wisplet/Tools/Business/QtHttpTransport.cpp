#include "Wisplet/Tools/Business/QtHttpTransport.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>

#include <QCoro/QCoroNetworkReply>

#include <QScopedPointer>

namespace {

HttpResponse::Failure failureOf(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::HostNotFoundError:
        return HttpResponse::Failure::hostNotFound;
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
        return HttpResponse::Failure::cannotConnect;
    case QNetworkReply::SslHandshakeFailedError:
        return HttpResponse::Failure::secureConnection;
    default:
        return HttpResponse::Failure::network;
    }
}

} // namespace

QtHttpTransport::QtHttpTransport(QSslConfiguration tls, QObject* parent)
    : QObject(parent)
    , m_tls(std::move(tls))
    , m_network(new QNetworkAccessManager(this))
{ }

QCoro::Task<HttpResponse> QtHttpTransport::get(QUrl url, HttpHeaders headers, std::chrono::milliseconds timeout,
                                               CancelToken cancel)
{
    if (cancel.isCancelled())
        co_return HttpResponse{HttpResponse::Failure::cancelled, 0, {}};
    QNetworkRequest request(url);
    request.setSslConfiguration(m_tls);
    // Our own time-out below covers the whole request; Qt's would end it as an ordinary cancellation.
    request.setTransferTimeout(0);
    for (const auto& [name, value] : std::as_const(headers))
        request.setRawHeader(name, value);

    // Deleted with the coroutine, also when the transport goes first and aborts it.
    const QScopedPointer<QNetworkReply, QScopedPointerDeleteLater> reply(m_network->get(request));
    QPointer<QNetworkReply> guard = reply.get();
    cancel.setAbort([guard] {
        if (guard)
            guard->abort();
    });
    const bool finished = co_await qCoro(reply.get()).waitForFinished(timeout);
    cancel.setAbort({});
    if (cancel.isCancelled())
        co_return HttpResponse{HttpResponse::Failure::cancelled, 0, {}};
    if (!finished) {
        reply->abort();
        co_return HttpResponse{HttpResponse::Failure::timedOut, 0, {}};
    }
    co_return responseOf(*reply);
}

HttpResponse QtHttpTransport::responseOf(QNetworkReply& reply)
{
    // The status decides first: Qt reports some statuses (401, 404, …) as errors of its own.
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid())
        return {HttpResponse::Failure::none, status.toInt(), reply.readAll()};
    if (reply.error() == QNetworkReply::NoError)
        return {HttpResponse::Failure::notHttp, 0, {}};
    return {failureOf(reply.error()), 0, {}};
}
