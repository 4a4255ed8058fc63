#pragma once

#include <QHash>
#include <QSslCertificate>
#include <QSslServer>
#include <QUrl>

// HTTPS on 127.0.0.1 (a free port) with the committed self-signed certificate in tests/data/tls, made once
// with `openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 36500
// -subj /CN=localhost -addext subjectAltName=IP:127.0.0.1,DNS:localhost`. Every request gets the same
// canned response; an empty one means the request is accepted and never answered.
class LocalHttpsServer final : public QObject
{
    Q_DISABLE_COPY_MOVE(LocalHttpsServer)

public:
    explicit LocalHttpsServer(QByteArray response);

    bool listen();
    // The address of `path` on this server.
    QUrl url(const QString& path = QStringLiteral("/feed.json")) const;
    // The certificate a client must trust to reach the server.
    static QSslCertificate certificate();
    // A client's TLS settings that trust this server.
    static QSslConfiguration trusting();
    // A full HTTP/1.1 response with a JSON body.
    static QByteArray response(const QByteArray& status, const QByteArray& body);

    // Every request received so far, as it arrived (headers and body).
    QList<QByteArray> requests() const { return m_requests.values(); }

private:
    void accept();

    QSslServer m_server;
    QByteArray m_response;
    QHash<QTcpSocket*, QByteArray> m_requests;
};
