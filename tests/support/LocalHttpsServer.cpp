#include "tests/support/LocalHttpsServer.h"

#include "tests/support/Files.h"

#include <QSslKey>
#include <QSslSocket>
#include <QTimer>

#include <numeric>

namespace {

QByteArray sourceFile(const char* relative)
{
    return TestFiles::read(qEnvironmentVariable("WISPLET_SOURCE_DIR") + QLatin1Char('/') + QLatin1String(relative));
}

} // namespace

LocalHttpsServer::LocalHttpsServer(QByteArray response)
    : m_response(std::move(response))
{
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(certificate());
    tls.setPrivateKey(QSslKey(sourceFile("tests/data/tls/localhost.key"), QSsl::Ec));
    m_server.setSslConfiguration(tls);
    connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, &LocalHttpsServer::accept);
}

bool LocalHttpsServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QUrl LocalHttpsServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("https://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
}

QSslCertificate LocalHttpsServer::certificate()
{
    return QSslCertificate(sourceFile("tests/data/tls/localhost.crt"));
}

QSslConfiguration LocalHttpsServer::trusting()
{
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.addCaCertificate(certificate());
    return tls;
}

QByteArray LocalHttpsServer::response(const QByteArray& status, const QByteArray& body)
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: application/json\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

void LocalHttpsServer::accept()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            m_requests[socket] += socket->readAll();
            if (m_response.isEmpty() || !m_requests[socket].contains("\r\n\r\n") || m_fillerSent.contains(socket))
                return;
            m_fillerSent[socket] = 0;
            if (m_delay.count() > 0)
                QTimer::singleShot(m_delay, socket, [this, socket] { answer(socket); });
            else
                answer(socket);
        });
    }
}

void LocalHttpsServer::answer(QTcpSocket* socket)
{
    socket->write(m_response);
    if (m_fillerBytes == 0) {
        socket->disconnectFromHost();
        return;
    }
    // Only once the encrypted bytes went out: QSslSocket's own buffer takes anything at once.
    auto* secure = static_cast<QSslSocket*>(socket);
    connect(secure, &QSslSocket::encryptedBytesWritten, socket, [this, secure] { sendFiller(secure); });
    sendFiller(secure);
}

qint64 LocalHttpsServer::fillerSent() const
{
    return std::accumulate(m_fillerSent.cbegin(), m_fillerSent.cend(), qint64(0));
}

void LocalHttpsServer::sendFiller(QSslSocket* socket)
{
    // A little at a time, as the client takes it.
    constexpr qint64 chunk = 64 * 1024;
    if (socket->bytesToWrite() + socket->encryptedBytesToWrite() > chunk)
        return;
    qint64& sent = m_fillerSent[socket];
    if (sent >= m_fillerBytes) {
        socket->disconnectFromHost();
        return;
    }
    if (socket->state() != QAbstractSocket::ConnectedState)
        return;
    const qint64 written = socket->write(QByteArray(std::min(chunk, m_fillerBytes - sent), ' '));
    sent += std::max(written, qint64(0));
}

LocalHttpsServerThread::LocalHttpsServerThread(QByteArray response, std::chrono::milliseconds delay)
{
    m_thread.start();
    m_context.moveToThread(&m_thread);
    QMetaObject::invokeMethod(
        &m_context,
        [this, &response, delay] {
            m_server = std::make_unique<LocalHttpsServer>(std::move(response));
            m_server->answerAfter(delay);
            m_listening = m_server->listen();
            m_url = m_server->url();
        },
        Qt::BlockingQueuedConnection);
}

LocalHttpsServerThread::~LocalHttpsServerThread()
{
    QMetaObject::invokeMethod(
        &m_context, [this] { m_server.reset(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

qsizetype LocalHttpsServerThread::requestCount() const
{
    qsizetype count = 0;
    QMetaObject::invokeMethod(
        &m_context, [this, &count] { count = m_server->requests().size(); }, Qt::BlockingQueuedConnection);
    return count;
}
