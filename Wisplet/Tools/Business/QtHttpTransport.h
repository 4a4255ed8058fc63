#pragma once

#include "Wisplet/Tools/Business/HttpTransport.h"

#include <QObject>
#include <QSslConfiguration>

class QNetworkAccessManager;
class QNetworkReply;

// GET requests through QtNetwork, over the TLS configuration it is given (tests trust their own
// certificate through it). Main thread only.
class QtHttpTransport final : public QObject, public HttpTransport
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QtHttpTransport)

public:
    explicit QtHttpTransport(QSslConfiguration tls = QSslConfiguration::defaultConfiguration(),
                             QObject* parent = nullptr);

    QCoro::Task<HttpResponse> get(QUrl url, HttpHeaders headers, std::chrono::milliseconds timeout,
                                  CancelToken cancel) override;

    // What a finished reply amounts to.
    static HttpResponse responseOf(QNetworkReply& reply);

private:
    QSslConfiguration m_tls;
    QNetworkAccessManager* m_network;
};
