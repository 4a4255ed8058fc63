#include "Wisplet/App/Updater.h"
#include "tests/support/LocalHttpsServer.h"
#include "tests/support/TestMain.h"

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

struct FeedCase
{
    QByteArray feed;
    QString error;
};

struct Configured
{
    bool appBundle = true;
    QString feed;
    QString key;
    bool enabled = false;
};

struct Fetch
{
    QByteArray response;
    bool trusted = true;
    UpdateCheckResult::Status status = UpdateCheckResult::Status::failed;
    QString message;
};

} // namespace

Q_DECLARE_METATYPE(FeedCase)
Q_DECLARE_METATYPE(Configured)
Q_DECLARE_METATYPE(Fetch)

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
        QTest::newRow("not Base64") << QStringLiteral("not a key, just words!!") << false;
        // Bytes whose standard Base64 has "+" and "/".
        QTest::newRow("URL-safe alphabet")
            << QString::fromLatin1(QByteArray(32, char(0xfb)).toBase64(QByteArray::Base64UrlEncoding)) << false;
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
        QTest::addColumn<FeedCase>("row");
        const QString unreadable = QStringLiteral("The update feed could not be read.");
        const QString badSignature = QStringLiteral("The update feed is not signed with the expected key.");
        const QByteArray signature = m_key.sign(release());

        QTest::newRow("good") << FeedCase{feed(m_key), QString()};
        QTest::newRow("release tampered with") << FeedCase{envelope(release("9.9.9"), signature), badSignature};
        QTest::newRow("signature not Base64") << FeedCase{
            QByteArray(R"({"release": ")" + release().toBase64() + R"(", "signature": "%%%"})"), badSignature};
        QTest::newRow("not JSON") << FeedCase{QByteArray("<html>Gateway timeout</html>"), unreadable};
        QTest::newRow("signed, page a local file")
            << FeedCase{feed(m_key, release("0.2.0", 42, "file:///etc/passwd")), unreadable};
        QTest::newRow("signed, version with a suffix") << FeedCase{feed(m_key, release("0.2.0-beta")), unreadable};
        QTest::newRow("signed, not an object") << FeedCase{feed(m_key, "[1, 2]"), unreadable};
    }

    void readsOnlyASoundSignedFeed()
    {
        QFETCH(FeedCase, row);
        const auto read = UpdateFeed::read(row.feed, m_key.publicKey);
        const auto* message = std::get_if<QString>(&read);
        QCOMPARE(message ? *message : QString(), row.error);
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
        QTest::addColumn<Configured>("row");
        const QString feed = QStringLiteral("https://127.0.0.1:9/feed.json");
        const QString key = QString::fromLatin1(m_key.publicKey.toBase64());
        QTest::newRow("configured") << Configured{true, feed, key, true};
        QTest::newRow("build tree") << Configured{false, feed, key, false};
        QTest::newRow("key of the wrong length")
            << Configured{true, feed, QString::fromLatin1(m_key.publicKey.left(31).toBase64()), false};
        QTest::newRow("no feed") << Configured{true, {}, key, false};
        QTest::newRow("plain HTTP feed") << Configured{true, QStringLiteral("http://127.0.0.1:9/feed.json"), key,
                                                       false};
    }

    void checksOnlyWhenConfigured()
    {
        QFETCH(Configured, row);
        Updater updater({.feed = QUrl(row.feed), .publicKey = row.key, .current = QVersionNumber(0, 1, 0)},
                        row.appBundle);
        QCOMPARE(updater.canCheckForUpdates(), row.enabled);
        updater.checkForUpdates();
        QCOMPARE(updater.isChecking(), row.enabled);
    }

    void fetchesTheFeedOverHttps_data()
    {
        QTest::addColumn<Fetch>("row");
        using Status = UpdateCheckResult::Status;
        const auto response = &LocalHttpsServer::response;
        const QByteArray good = response("200 OK", feed(m_key));
        QTest::newRow("newer version") << Fetch{good, true, Status::newerVersion, {}};
        QTest::newRow("certificate not trusted")
            << Fetch{good, false, Status::failed, QStringLiteral("Could not reach the update server")};
        QTest::newRow("not found") << Fetch{response("404 Not Found", "{}"), true, Status::failed,
                                            QStringLiteral("The update server answered with status 404.")};
        QTest::newRow("far too large") << Fetch{response("200 OK", QByteArray(Updater::maxFeedBytes + 1, ' ')), true,
                                                Status::failed, QStringLiteral("The update feed is too large.")};
        QTest::newRow("no answer") << Fetch{
            {}, true, Status::failed, QStringLiteral("The update server did not answer in time.")};
    }

    void fetchesTheFeedOverHttps()
    {
        QFETCH(Fetch, row);
        LocalHttpsServer server(row.response);
        QVERIFY(server.listen());
        const QSslConfiguration tls =
            row.trusted ? LocalHttpsServer::trusting() : QSslConfiguration::defaultConfiguration();
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
        QCOMPARE(result.status, row.status);
        QVERIFY2(result.message.startsWith(row.message), qPrintable(result.message));
        if (row.status == UpdateCheckResult::Status::newerVersion) {
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
