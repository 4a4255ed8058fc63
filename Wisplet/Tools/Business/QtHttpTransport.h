#pragma once

#include "Wisplet/Tools/Business/HttpTransport.h"

#include <QObject>
#include <QSslConfiguration>

#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

// GET requests through QtNetwork, over the TLS configuration it is given (tests trust their own
// certificate through it), else the system's. Nothing of QtNetwork or TLS is loaded before the first request.
// A request that may carry a key keeps to its origin, since Qt sends a request's headers on to wherever it is
// redirected; any other follows redirects that are no less safe (covers move between hosts). Main thread only.
class QtHttpTransport final : public QObject, public HttpTransport
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QtHttpTransport)

public:
    explicit QtHttpTransport(std::optional<QSslConfiguration> tls = std::nullopt, QObject* parent = nullptr);

    QCoro::Task<HttpResponse> get(QUrl url, HttpHeaders headers, std::chrono::milliseconds timeout, qint64 maxBytes,
                                  CancelToken cancel) override;

    // What a finished reply amounts to, with the body read from it.
    static HttpResponse responseOf(QNetworkReply& reply, QByteArray body);
    // Whether the request may carry a key: in a header beyond who asks and what it takes, or in the address's
    // user part or query (the weather key travels there; other parameters cannot be told from a key).
    static bool carriesCredential(const QUrl& url, const HttpHeaders& headers);

private:
    QNetworkAccessManager& network();

    std::optional<QSslConfiguration> m_tls;
    QNetworkAccessManager* m_network = nullptr;
};
