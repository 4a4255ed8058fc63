#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QSslConfiguration>
#include <QString>
#include <QUrl>
#include <QVersionNumber>

#include <optional>
#include <variant>

class QNetworkAccessManager;
class QNetworkReply;

// What a check for updates found, for the message box that reports it.
struct UpdateCheckResult
{
    enum class Status { upToDate, newerVersion, failed };
    Status status = Status::failed;
    // The newer version and its download page.
    QString version;
    QUrl page;
    // Why the check failed.
    QString message;

    static UpdateCheckResult upToDate() { return {Status::upToDate, {}, {}, {}}; }
    static UpdateCheckResult newer(const QString& version, const QUrl& page)
    {
        return {Status::newerVersion, version, page, {}};
    }
    static UpdateCheckResult failure(const QString& message) { return {Status::failed, {}, {}, message}; }
};

// The update feed is a small JSON document: {"release": "<Base64 of the release JSON>", "signature":
// "<Base64 Ed25519 signature of exactly those decoded bytes>"}; the release JSON is {"version": "1.2.3",
// "build": 45, "page": "https://…"}. Signing the bytes as they travel needs no canonical JSON.
namespace UpdateFeed {

inline constexpr qsizetype publicKeyBytes = 32;
inline constexpr qsizetype signatureBytes = 64;

struct Release
{
    QVersionNumber version;
    qint64 build = 0;
    QUrl page;
};

// The key's 32 bytes, when the text is strict standard Base64 of exactly that many.
std::optional<QByteArray> decodePublicKey(const QString& base64);
// The release a feed announces when it is well formed and signed with publicKey; otherwise the reason, for
// the user.
std::variant<Release, QString> read(const QByteArray& feed, const QByteArray& publicKey);
// Whether the release is newer than what runs; "1.2" and "1.2.0" are the same version.
UpdateCheckResult compare(const Release& release, const QVersionNumber& current);

} // namespace UpdateFeed

// Checks the signed update feed on request and reports what it found. It never downloads or replaces the
// program: a newer version is only pointed out with its download page. Main thread only.
class Updater final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Updater)

public:
    static constexpr int defaultTransferTimeoutMs = 15'000;
    // A feed is a few hundred bytes; anything much larger is not one.
    static constexpr qint64 maxFeedBytes = 64 * 1024;

    struct Configuration
    {
        QUrl feed;
        // Base64 Ed25519 public key.
        QString publicKey;
        QVersionNumber current;
        int transferTimeoutMs = defaultTransferTimeoutMs;
        // None: the system's, looked up at the first check, so that no TLS library loads before one.
        std::optional<QSslConfiguration> tls = std::nullopt;
    };

    // appBundle: whether this process runs from an installed build; a build tree never checks.
    Updater(Configuration configuration, bool appBundle, QObject* parent = nullptr);

    static Updater& shared();

    // An installed build with an HTTPS feed address and a well-formed key; otherwise the updater stays idle
    // and "Check for Updates…" is disabled.
    bool canCheckForUpdates() const;
    bool isChecking() const { return !m_reply.isNull(); }
    // Fetches the feed and reports in checkFinished(); a check still running is dropped. Does nothing when
    // checks are off.
    void checkForUpdates();

signals:
    void checkFinished(const UpdateCheckResult& result);

private:
    void finish(QNetworkReply& reply);
    UpdateCheckResult resultOf(QNetworkReply& reply) const;

    Configuration m_configuration;
    std::optional<QByteArray> m_publicKey;
    bool m_appBundle;
    // A child, so its replies and their connections go before the members they use.
    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    bool m_tooLarge = false;
};
