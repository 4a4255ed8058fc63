#include "Wisplet/App/Updater.h"
#include "tests/support/Files.h"
#include "tests/support/TestMain.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>

#include <sodium.h>

namespace {

constexpr int networkTimeoutMs = 10'000;
const QUrl page(QStringLiteral("https://wisplet.example/download"));

struct KeyPair
{
    QByteArray publicKey = QByteArray(crypto_sign_PUBLICKEYBYTES, '\0');
    QByteArray secretKey = QByteArray(crypto_sign_SECRETKEYBYTES, '\0');

    KeyPair()
    {
        if (sodium_init() < 0)
            qFatal("libsodium did not start");
        crypto_sign_keypair(reinterpret_cast<unsigned char*>(publicKey.data()),
                            reinterpret_cast<unsigned char*>(secretKey.data()));
    }

    QByteArray sign(const QByteArray& message) const
    {
        QByteArray signature(crypto_sign_BYTES, '\0');
        crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                             reinterpret_cast<const unsigned char*>(message.constData()), quint64(message.size()),
                             reinterpret_cast<const unsigned char*>(secretKey.constData()));
        return signature;
    }
};

QByteArray release(const QJsonValue& version = QStringLiteral("0.2.0"), const QJsonValue& build = 42,
                   const QJsonValue& link = page.toString())
{
    return QJsonDocument(QJsonObject{{"version", version}, {"build", build}, {"page", link}})
        .toJson(QJsonDocument::Compact);
}

QByteArray envelope(const QByteArray& signedBytes, const QByteArray& signature)
{
    return QJsonDocument(QJsonObject{{"release", QString::fromLatin1(signedBytes.toBase64())},
                                     {"signature", QString::fromLatin1(signature.toBase64())}})
        .toJson();
}

QByteArray feed(const KeyPair& key, const QByteArray& signedBytes = release())
{
    return envelope(signedBytes, key.sign(signedBytes));
}

QByteArray httpResponse(const QByteArray& status, const QByteArray& body)
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: application/json\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

QString sourceFile(const QString& relative)
{
    return qEnvironmentVariable("WISPLET_SOURCE_DIR") + QLatin1Char('/') + relative;
}

QSslCertificate testCertificate()
{
    return QSslCertificate(TestFiles::read(sourceFile(QStringLiteral("tests/data/tls/localhost.crt"))));
}

} // namespace

Q_DECLARE_METATYPE(UpdateCheckResult::Status)

// HTTPS on 127.0.0.1 with the committed self-signed certificate (tests/data/tls, made once with
// `openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 36500 -subj /CN=localhost
// -addext subjectAltName=IP:127.0.0.1,DNS:localhost`). Every request gets the same canned response; an
// empty one means the server accepts the request and never answers.
class LocalHttpsServer final : public QObject
{
    Q_OBJECT

public:
    explicit LocalHttpsServer(QByteArray response)
        : m_response(std::move(response))
    {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(testCertificate());
        tls.setPrivateKey(
            QSslKey(TestFiles::read(sourceFile(QStringLiteral("tests/data/tls/localhost.key"))), QSsl::Ec));
        m_server.setSslConfiguration(tls);
        connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, &LocalHttpsServer::accept);
    }

    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    QUrl url() const { return QUrl(QStringLiteral("https://127.0.0.1:%1/feed.json").arg(m_server.serverPort())); }

private:
    void accept()
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

    QSslServer m_server;
    QByteArray m_response;
    QHash<QTcpSocket*, QByteArray> m_requests;
};

class UpdaterTest final : public QObject
{
    Q_OBJECT

private slots:
    void decodesThePublicKey_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("32 bytes") << QString::fromLatin1(m_key.publicKey.toBase64()) << true;
        QTest::newRow("31 bytes") << QString::fromLatin1(m_key.publicKey.left(31).toBase64()) << false;
        QTest::newRow("33 bytes") << QString::fromLatin1((m_key.publicKey + 'x').toBase64()) << false;
        QTest::newRow("not Base64") << QStringLiteral("not a key, just words!!") << false;
        // Bytes whose standard Base64 has "+" and "/".
        QTest::newRow("URL-safe alphabet")
            << QString::fromLatin1(QByteArray(32, char(0xfb)).toBase64(QByteArray::Base64UrlEncoding)) << false;
        QTest::newRow("empty") << QString() << false;
    }

    void decodesThePublicKey()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const std::optional<QByteArray> key = UpdateFeed::decodePublicKey(text);
        QCOMPARE(key.has_value(), valid);
        if (valid)
            QCOMPARE(*key, m_key.publicKey);
    }

    void readsOnlyASoundSignedFeed_data()
    {
        QTest::addColumn<QByteArray>("feed");
        QTest::addColumn<QString>("error");
        const QString unreadable = QStringLiteral("The update feed could not be read.");
        const QString badSignature = QStringLiteral("The update feed is not signed with the expected key.");
        const KeyPair other;
        const QByteArray signature = m_key.sign(release());

        QTest::newRow("good") << feed(m_key) << QString();
        QTest::newRow("signed with another key") << feed(other) << badSignature;
        QTest::newRow("release tampered with") << envelope(release("9.9.9"), signature) << badSignature;
        QTest::newRow("signature cut short") << envelope(release(), signature.left(63)) << badSignature;
        QByteArray flipped = signature;
        flipped[10] = char(flipped[10] ^ 1);
        QTest::newRow("signature altered") << envelope(release(), flipped) << badSignature;
        QTest::newRow("signature not Base64")
            << QByteArray(R"({"release": ")" + release().toBase64() + R"(", "signature": "%%%"})") << badSignature;
        QTest::newRow("not JSON") << QByteArray("<html>Gateway timeout</html>") << unreadable;
        QTest::newRow("signed, page a local file")
            << feed(m_key, release("0.2.0", 42, "file:///etc/passwd")) << unreadable;
        QTest::newRow("signed, version with a suffix") << feed(m_key, release("0.2.0-beta")) << unreadable;
        QTest::newRow("signed, negative build") << feed(m_key, release("0.2.0", -1)) << unreadable;
        QTest::newRow("signed, not an object") << feed(m_key, "[1, 2]") << unreadable;
    }

    void readsOnlyASoundSignedFeed()
    {
        QFETCH(QByteArray, feed);
        QFETCH(QString, error);
        const auto read = UpdateFeed::read(feed, m_key.publicKey);
        const auto* message = std::get_if<QString>(&read);
        QCOMPARE(message ? *message : QString(), error);
        if (message)
            return;
        const auto& release = std::get<UpdateFeed::Release>(read);
        QCOMPARE(release.version, QVersionNumber(0, 2, 0));
        QCOMPARE(release.build, 42);
        QCOMPARE(release.page, page);
    }

    void comparesVersions_data()
    {
        QTest::addColumn<QString>("offered");
        QTest::addColumn<QString>("running");
        QTest::addColumn<bool>("newer");
        const auto row = [](const char* name, const char* offered, const char* running, bool newer) {
            QTest::newRow(name) << QString::fromLatin1(offered) << QString::fromLatin1(running) << newer;
        };
        row("newer", "0.2.0", "0.1.0", true);
        row("same", "0.1.0", "0.1.0", false);
        row("older", "0.1.0", "0.2.0", false);
        row("numbers, not text", "0.10.0", "0.9.3", true);
        row("trailing zero offered", "1.2.0", "1.2", false);
        row("trailing zero running", "1.2", "1.2.0", false);
    }

    void comparesVersions()
    {
        QFETCH(QString, offered);
        QFETCH(QString, running);
        QFETCH(bool, newer);
        const UpdateCheckResult result =
            UpdateFeed::compare({QVersionNumber::fromString(offered), 7, page}, QVersionNumber::fromString(running));
        QCOMPARE(result.status, newer ? UpdateCheckResult::Status::newerVersion : UpdateCheckResult::Status::upToDate);
        QCOMPARE(result.page, newer ? page : QUrl());
    }

    void checksOnlyWhenConfigured_data()
    {
        QTest::addColumn<bool>("appBundle");
        QTest::addColumn<QString>("feed");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("enabled");
        const QString feed = QStringLiteral("https://127.0.0.1:9/feed.json");
        const QString key = QString::fromLatin1(m_key.publicKey.toBase64());
        QTest::newRow("configured") << true << feed << key << true;
        QTest::newRow("build tree") << false << feed << key << false;
        QTest::newRow("no key") << true << feed << QString() << false;
        QTest::newRow("key of the wrong length")
            << true << feed << QString::fromLatin1(m_key.publicKey.left(31).toBase64()) << false;
        QTest::newRow("no feed") << true << QString() << key << false;
        QTest::newRow("plain HTTP feed") << true << QStringLiteral("http://127.0.0.1:9/feed.json") << key << false;
    }

    void checksOnlyWhenConfigured()
    {
        QFETCH(bool, appBundle);
        QFETCH(QString, feed);
        QFETCH(QString, key);
        QFETCH(bool, enabled);
        Updater updater({.feed = QUrl(feed), .publicKey = key, .current = QVersionNumber(0, 1, 0)}, appBundle);
        QCOMPARE(updater.canCheckForUpdates(), enabled);
        updater.checkForUpdates();
        QCOMPARE(updater.isChecking(), enabled);
    }

    void fetchesTheFeedOverHttps_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<bool>("trusted");
        QTest::addColumn<UpdateCheckResult::Status>("status");
        QTest::addColumn<QString>("message");
        using Status = UpdateCheckResult::Status;
        const QByteArray good = httpResponse("200 OK", feed(m_key));
        QTest::newRow("newer version") << good << true << Status::newerVersion << QString();
        QTest::newRow("certificate not trusted")
            << good << false << Status::failed << QStringLiteral("Could not reach the update server");
        QTest::newRow("not found") << httpResponse("404 Not Found", "{}") << true << Status::failed
                                   << QStringLiteral("The update server answered with status 404.");
        QTest::newRow("far too large") << httpResponse("200 OK", QByteArray(Updater::maxFeedBytes + 1, ' ')) << true
                                       << Status::failed << QStringLiteral("The update feed is too large.");
        QTest::newRow("no answer") << QByteArray() << true << Status::failed
                                   << QStringLiteral("The update server did not answer in time.");
    }

    void fetchesTheFeedOverHttps()
    {
        QFETCH(QByteArray, response);
        QFETCH(bool, trusted);
        QFETCH(UpdateCheckResult::Status, status);
        QFETCH(QString, message);
        LocalHttpsServer server(response);
        QVERIFY(server.listen());
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        if (trusted)
            tls.addCaCertificate(testCertificate());
        Updater updater({.feed = server.url(),
                         .publicKey = QString::fromLatin1(m_key.publicKey.toBase64()),
                         .current = QVersionNumber(0, 1, 0),
                         .transferTimeoutMs = 300,
                         .tls = tls},
                        true);
        QSignalSpy finished(&updater, &Updater::checkFinished);

        updater.checkForUpdates();
        QVERIFY(finished.wait(networkTimeoutMs));
        const auto result = finished.first().first().value<UpdateCheckResult>();
        QCOMPARE(result.status, status);
        QVERIFY2(result.message.startsWith(message), qPrintable(result.message));
        if (status == UpdateCheckResult::Status::newerVersion) {
            QCOMPARE(result.version, QStringLiteral("0.2.0"));
            QCOMPARE(result.page, page);
        }
        QVERIFY(!updater.isChecking());
    }

private:
    KeyPair m_key;
};

WISPLET_TEST_MAIN(UpdaterTest)

#include "tst_updater.moc"
