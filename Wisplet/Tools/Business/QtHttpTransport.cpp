#include "Wisplet/Tools/Business/QtHttpTransport.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QScopedPointer>
#include <QTimer>

#include <QCoro/QCoroSignal>

#include <algorithm>

namespace {

// How much Qt may hold for us before we take it; keeps the network thread from running far ahead.
constexpr qint64 readAhead = 256 * 1024;

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

// Takes a reply's body as it arrives and aborts the reply past the size limit or the time-out. Every one of
// its connections ends with it, so nothing of it runs once the request is over.
class ReplyWatch final : public QObject
{
public:
    ReplyWatch(QNetworkReply& reply, std::chrono::milliseconds timeout, qint64 maxBytes)
        : m_reply(reply)
        , m_maxBytes(maxBytes)
    {
        reply.setReadBufferSize(std::min(readAhead, maxBytes + 1));
        connect(&reply, &QIODevice::readyRead, this, &ReplyWatch::take);
        connect(&reply, &QNetworkReply::downloadProgress, this, [this](qint64, qint64 total) {
            if (total > m_maxBytes)
                refuse();
        });
        m_deadline.setSingleShot(true);
        connect(&m_deadline, &QTimer::timeout, this, [this] {
            if (!m_reply.isFinished()) {
                m_timedOut = true;
                m_reply.abort();
            }
        });
        m_deadline.start(timeout);
    }

    // The whole body, once the reply has finished.
    QByteArray body()
    {
        take();
        return m_body;
    }
    bool timedOut() const { return m_timedOut; }
    bool tooLarge() const { return m_tooLarge; }

private:
    void take()
    {
        if (m_tooLarge)
            return;
        m_body += m_reply.read(m_maxBytes + 1 - m_body.size());
        if (m_body.size() > m_maxBytes)
            refuse();
    }

    void refuse()
    {
        m_tooLarge = true;
        m_body.clear();
        m_reply.abort();
    }

    QNetworkReply& m_reply;
    qint64 m_maxBytes;
    QByteArray m_body;
    QTimer m_deadline;
    bool m_timedOut = false;
    bool m_tooLarge = false;
};

} // namespace

QtHttpTransport::QtHttpTransport(std::optional<QSslConfiguration> tls, QObject* parent)
    : QObject(parent)
    , m_tls(std::move(tls))
{ }

QNetworkAccessManager& QtHttpTransport::network()
{
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    return *m_network;
}

QCoro::Task<HttpResponse> QtHttpTransport::get(QUrl url, HttpHeaders headers, std::chrono::milliseconds timeout,
                                               qint64 maxBytes, CancelToken cancel)
{
    if (cancel.isCancelled())
        co_return HttpResponse{HttpResponse::Failure::cancelled, 0, {}};
    QNetworkRequest request(url);
    if (!m_tls)
        m_tls = QSslConfiguration::defaultConfiguration();
    request.setSslConfiguration(*m_tls);
    // Our own time-out below covers the whole request; Qt's would end it as an ordinary cancellation.
    request.setTransferTimeout(0);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         carriesCredential(url, headers) ? QNetworkRequest::SameOriginRedirectPolicy
                                                         : QNetworkRequest::NoLessSafeRedirectPolicy);
    for (const auto& [name, value] : std::as_const(headers))
        request.setRawHeader(name, value);

    // Deleted with the coroutine. A transport goes only with the program; its manager would take the reply along.
    const QScopedPointer<QNetworkReply, QScopedPointerDeleteLater> reply(network().get(request));
    ReplyWatch watch(*reply, timeout, maxBytes);
    cancel.setAbort([guard = QPointer(reply.get())] {
        if (guard)
            guard->abort();
    });
    // The time-out, the size limit and the cancel abort the reply, so its one `finished` is the only way on. A
    // second waker (a time-out of the awaiter's own) could resume us while `finished` is still queued for an
    // awaiter that would be gone by then.
    if (!reply->isFinished())
        co_await qCoro(reply.get(), &QNetworkReply::finished);
    cancel.setAbort({});
    if (cancel.isCancelled())
        co_return HttpResponse{HttpResponse::Failure::cancelled, 0, {}};
    if (watch.tooLarge())
        co_return HttpResponse{HttpResponse::Failure::tooLarge, 0, {}};
    if (watch.timedOut())
        co_return HttpResponse{HttpResponse::Failure::timedOut, 0, {}};
    co_return responseOf(*reply, watch.body());
}

HttpResponse QtHttpTransport::responseOf(QNetworkReply& reply, QByteArray body)
{
    // Before the status, which may be the redirect's own.
    if (reply.error() == QNetworkReply::InsecureRedirectError)
        return {HttpResponse::Failure::redirectRefused, 0, {}};
    // The status decides first: Qt reports some statuses (401, 404, …) as errors of its own.
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid())
        return {HttpResponse::Failure::none, status.toInt(), std::move(body)};
    if (reply.error() == QNetworkReply::NoError)
        return {HttpResponse::Failure::notHttp, 0, {}};
    return {failureOf(reply.error()), 0, {}};
}

bool QtHttpTransport::carriesCredential(const QUrl& url, const HttpHeaders& headers)
{
    const auto plain = [](const QByteArray& name) {
        return name.compare("User-Agent", Qt::CaseInsensitive) == 0 || name.compare("Accept", Qt::CaseInsensitive) == 0;
    };
    return !url.userInfo().isEmpty() || url.hasQuery()
        || std::any_of(headers.cbegin(), headers.cend(), [&plain](const auto& header) { return !plain(header.first); });
}
