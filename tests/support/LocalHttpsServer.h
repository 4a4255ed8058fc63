#pragma once

#include <QHash>
#include <QSslCertificate>
#include <QSslServer>
#include <QSslSocket>
#include <QThread>
#include <QUrl>

#include <chrono>

#include <memory>

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

    // After the response, keeps sending filler until this many more bytes went out (an endless answer, bounded
    // so a test that fails cannot run away).
    void keepSending(qint64 bytes) { m_fillerBytes = bytes; }
    // How much filler went out so far, over all connections.
    qint64 fillerSent() const;
    // Answers this long after a request arrived instead of at once.
    void answerAfter(std::chrono::milliseconds delay) { m_delay = delay; }

private:
    void accept();
    void answer(QTcpSocket* socket);
    void sendFiller(QSslSocket* socket);

    QSslServer m_server;
    QByteArray m_response;
    qint64 m_fillerBytes = 0;
    std::chrono::milliseconds m_delay{0};
    QHash<QTcpSocket*, QByteArray> m_requests;
    QHash<QTcpSocket*, qint64> m_fillerSent;
};

// A LocalHttpsServer on a thread of its own, so it answers while the test's thread is kept busy.
class LocalHttpsServerThread final
{
    Q_DISABLE_COPY_MOVE(LocalHttpsServerThread)

public:
    // Answers `delay` after each request arrived.
    LocalHttpsServerThread(QByteArray response, std::chrono::milliseconds delay);
    ~LocalHttpsServerThread();

    bool isListening() const { return m_listening; }
    QUrl url() const { return m_url; }
    qsizetype requestCount() const;

private:
    QThread m_thread;
    mutable QObject m_context;
    std::unique_ptr<LocalHttpsServer> m_server;
    bool m_listening = false;
    QUrl m_url;
};
