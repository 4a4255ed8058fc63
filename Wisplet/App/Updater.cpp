#include "Wisplet/App/Updater.h"

#include "Wisplet/Base/Notifier.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <sodium.h>

#include <cmath>

namespace UpdateFeed {
namespace {

const QString unreadableText = QStringLiteral("The update feed could not be read.");
const QString badSignatureText = QStringLiteral("The update feed is not signed with the expected key.");

std::optional<QByteArray> decodeBase64(const QJsonValue& value, qsizetype size = -1)
{
    if (!value.isString())
        return std::nullopt;
    auto decoded = QByteArray::fromBase64Encoding(value.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || (size >= 0 && decoded.decoded.size() != size))
        return std::nullopt;
    return decoded.decoded;
}

std::optional<QVersionNumber> wholeVersion(const QJsonValue& value)
{
    const QString text = value.toString();
    qsizetype end = 0;
    const QVersionNumber version = QVersionNumber::fromString(text, &end);
    if (version.isNull() || end != text.size())
        return std::nullopt;
    return version;
}

std::optional<qint64> wholeNumber(const QJsonValue& value)
{
    const double number = value.toDouble(-1);
    if (!value.isDouble() || number < 0 || number > 1e15 || std::floor(number) != number)
        return std::nullopt;
    return qint64(number);
}

bool verified(const QByteArray& message, const QByteArray& signature, const QByteArray& publicKey)
{
    static const bool ready = sodium_init() >= 0;
    return ready && publicKey.size() == publicKeyBytes && signature.size() == signatureBytes
        && crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature.constData()),
                                       reinterpret_cast<const unsigned char*>(message.constData()),
                                       quint64(message.size()),
                                       reinterpret_cast<const unsigned char*>(publicKey.constData()))
        == 0;
}

} // namespace

std::optional<QByteArray> decodePublicKey(const QString& base64)
{
    return decodeBase64(QJsonValue(base64), publicKeyBytes);
}

std::variant<Release, QString> read(const QByteArray& feed, const QByteArray& publicKey)
{
    const QJsonObject envelope = QJsonDocument::fromJson(feed).object();
    const std::optional<QByteArray> signedBytes = decodeBase64(envelope.value(QStringLiteral("release")));
    if (!signedBytes)
        return unreadableText;
    const std::optional<QByteArray> signature = decodeBase64(envelope.value(QStringLiteral("signature")));
    if (!signature || !verified(*signedBytes, *signature, publicKey))
        return badSignatureText;

    const QJsonObject release = QJsonDocument::fromJson(*signedBytes).object();
    const std::optional<QVersionNumber> version = wholeVersion(release.value(QStringLiteral("version")));
    const std::optional<qint64> build = wholeNumber(release.value(QStringLiteral("build")));
    // The page is opened in the browser, so nothing but a web address will do, signed or not.
    const QUrl page(release.value(QStringLiteral("page")).toString(), QUrl::StrictMode);
    if (!version || !build || !page.isValid() || page.scheme() != QStringLiteral("https") || page.host().isEmpty())
        return unreadableText;
    return Release{*version, *build, page};
}

UpdateCheckResult compare(const Release& release, const QVersionNumber& current)
{
    if (QVersionNumber::compare(release.version.normalized(), current.normalized()) <= 0)
        return UpdateCheckResult::upToDate();
    return UpdateCheckResult::newer(release.version.toString(), release.page);
}

} // namespace UpdateFeed

Updater::Updater(Configuration configuration, bool appBundle, QObject* parent)
    : QObject(parent)
    , m_configuration(std::move(configuration))
    , m_publicKey(UpdateFeed::decodePublicKey(m_configuration.publicKey))
    , m_appBundle(appBundle)
{ }

Updater& Updater::shared()
{
    static auto* updater = new Updater({.feed = QUrl(QStringLiteral(WISPLET_UPDATE_FEED_URL)),
                                        .publicKey = QStringLiteral(WISPLET_UPDATE_PUBLIC_KEY),
                                        .current = QVersionNumber::fromString(QStringLiteral(WISPLET_VERSION))},
                                       Notifier::installedBuild());
    return *updater;
}

bool Updater::canCheckForUpdates() const
{
    const QUrl& feed = m_configuration.feed;
    return m_appBundle && m_publicKey && feed.isValid() && feed.scheme() == QStringLiteral("https")
        && !feed.host().isEmpty();
}

void Updater::checkForUpdates()
{
    if (!canCheckForUpdates())
        return;
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
    QNetworkRequest request(m_configuration.feed);
    request.setSslConfiguration(m_configuration.tls.value_or(QSslConfiguration::defaultConfiguration()));
    request.setTransferTimeout(m_configuration.transferTimeoutMs);
    m_tooLarge = false;
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    m_reply = m_network->get(request);
    QNetworkReply* reply = m_reply;
    connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 received, qint64 total) {
        if (received > maxFeedBytes || total > maxFeedBytes) {
            m_tooLarge = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finish(*reply); });
}

void Updater::finish(QNetworkReply& reply)
{
    reply.deleteLater();
    if (&reply != m_reply)
        return;
    const UpdateCheckResult result = resultOf(reply);
    m_reply = nullptr;
    emit checkFinished(result);
}

UpdateCheckResult Updater::resultOf(QNetworkReply& reply) const
{
    if (m_tooLarge)
        return UpdateCheckResult::failure(QStringLiteral("The update feed is too large."));
    switch (reply.error()) {
    case QNetworkReply::NoError:
        break;
    // A transfer time-out aborts the reply.
    case QNetworkReply::OperationCanceledError:
    case QNetworkReply::TimeoutError:
        return UpdateCheckResult::failure(QStringLiteral("The update server did not answer in time."));
    default:
        if (const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute); status.isValid()) {
            return UpdateCheckResult::failure(
                QStringLiteral("The update server answered with status %1.").arg(status.toInt()));
        }
        return UpdateCheckResult::failure(
            QStringLiteral("Could not reach the update server: %1").arg(reply.errorString()));
    }
    const auto read = UpdateFeed::read(reply.readAll(), *m_publicKey);
    if (const auto* message = std::get_if<QString>(&read))
        return UpdateCheckResult::failure(*message);
    return UpdateFeed::compare(std::get<UpdateFeed::Release>(read), m_configuration.current);
}
