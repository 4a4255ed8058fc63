#include "tests/support/LocalHttpsServer.h"

#include "tests/support/Files.h"

#include <QSslKey>
#include <QSslSocket>

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
            if (!m_response.isEmpty() && m_requests[socket].contains("\r\n\r\n")) {
                socket->write(m_response);
                socket->disconnectFromHost();
            }
        });
    }
}
