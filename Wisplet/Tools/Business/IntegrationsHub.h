#pragma once

#include "Wisplet/Base/Keychain.h"
#include "Wisplet/Tools/Business/IntegrationConnector.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimeZone>
#include <QUuid>

#include <chrono>
#include <memory>
#include <optional>

class Clock;
class Defaults;
class QTimer;
class ScheduledCall;
class Scheduler;
class WispState;

// The business tool's controller: which services are on, their credentials, the last figures and error of
// each, and the refreshes that keep them current while the tool runs. A result is applied only while the
// hub runs, the service is still on and the fetch is still the service's newest. A new sale makes Wisp
// celebrate. Secret credentials come from the keyring when first wanted and are kept; nothing here waits for
// the keyring, which may take long or never answer. Main thread only.
class IntegrationsHub final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(IntegrationsHub)

public:
    static constexpr double defaultRefreshMinutes = 5;
    static constexpr std::chrono::milliseconds saveRefreshDelay{1200};

    struct Services
    {
        Defaults& defaults;
        Keychain& keychain;
        Clock& clock;
        Scheduler& scheduler;
        WispState& wisp;
        IntegrationConnector& connector;
    };

    // zone: where "today" is, for telling a new sale from the first fetch of a new day.
    explicit IntegrationsHub(const Services& services, QTimeZone zone = QTimeZone::systemTimeZone(),
                             QObject* parent = nullptr);
    ~IntegrationsHub() override;

    static IntegrationsHub& shared();

    QHash<IntegrationKind, IntegrationSnapshot> snapshots() const { return m_snapshots; }
    QHash<IntegrationKind, QString> errors() const { return m_errors; }
    QSet<IntegrationKind> refreshing() const { return m_refreshing; }
    QDateTime lastRefresh() const { return m_lastRefresh; }
    QSet<IntegrationKind> enabled() const { return m_enabled; }
    // The enabled kinds in kind order.
    QList<IntegrationKind> enabledKinds() const;
    double refreshMinutes() const { return m_refreshMinutes; }
    void setRefreshMinutes(double minutes);
    // Raised by every saved credential.
    int configVersion() const { return m_configVersion; }
    bool isActive() const { return m_active; }
    // The running refresh timer's interval; none while stopped.
    std::optional<std::chrono::milliseconds> timerInterval() const;

    void start();
    void stop();
    void refresh(IntegrationKind kind);
    void refreshAll();
    void setEnabled(IntegrationKind kind, bool on);

    // The stored text of the field; a secret one as the keyring answered (an empty text when it has none).
    QCoro::Task<Keychain::ReadResult> credential(IntegrationField field, IntegrationKind kind);
    // Saves one field and ends with what became of it. Once saved, the service is fetched again a moment after
    // the last save; a secret the keyring refused or did not take in time is the service's error.
    QCoro::Task<Keychain::WriteResult> saveCredentials(QString value, IntegrationField field, IntegrationKind kind);
    // Runs the service once with its stored credentials, or with the texts typed for some fields instead;
    // changes nothing here.
    QCoro::Task<SnapshotResult> testConnection(IntegrationKind kind, Credentials typed = {});

    // What a keyring read of a credential that got no answer is said as.
    static QString readFailureText(Keychain::Status status);
    // What a save that the keyring refused or did not take in time is said as; empty for any other.
    static QString saveFailureText(Keychain::WriteResult result);

    // max(minutes, 1) minutes, within what a timer can hold; undefined counts as one minute.
    static std::chrono::milliseconds intervalFor(double minutes);
    // What Wisp says about the move from previous to current, when it is a new sale of the same day.
    static std::optional<QString> saleText(const IntegrationSnapshot& previous, const IntegrationSnapshot& current,
                                           const QTimeZone& zone, const QLocale& locale = QLocale());

signals:
    void snapshotsChanged(const QHash<IntegrationKind, IntegrationSnapshot>& value);
    void errorsChanged(const QHash<IntegrationKind, QString>& value);
    void refreshingChanged(const QSet<IntegrationKind>& value);
    void lastRefreshChanged(const QDateTime& value);
    void enabledChanged(const QSet<IntegrationKind>& value);
    void refreshMinutesChanged(double value);
    void configVersionChanged(int value);
    void changed();

private:
    struct Flight
    {
        QUuid token;
        CancelToken cancel;
    };

    static QCoro::Task<> run(QPointer<IntegrationsHub> hub, IntegrationKind kind, QUuid token, CancelToken cancel);
    void finish(IntegrationKind kind, const QUuid& token, const SnapshotResult& result);
    void cancel(IntegrationKind kind);
    void scheduleTimer();
    // Every field of the kind; a secret the keyring did not give is an error, never an empty key.
    // Fields found in `typed` are taken from it and not read.
    QCoro::Task<IntegrationResult<Credentials>> readCredentials(IntegrationKind kind, Credentials typed = {});
    QCoro::Task<Keychain::ReadResult> readSecret(QString account);
    void credentialSaved(IntegrationKind kind);
    void setError(IntegrationKind kind, const QString& text);
    void removeResults(IntegrationKind kind);
    void saveEnabled();

    Defaults& m_defaults;
    Keychain& m_keychain;
    Clock& m_clock;
    Scheduler& m_scheduler;
    WispState& m_wisp;
    IntegrationConnector& m_connector;
    QTimeZone m_zone;

    QHash<IntegrationKind, IntegrationSnapshot> m_snapshots;
    QHash<IntegrationKind, QString> m_errors;
    QSet<IntegrationKind> m_refreshing;
    QDateTime m_lastRefresh;
    QSet<IntegrationKind> m_enabled;
    double m_refreshMinutes = defaultRefreshMinutes;
    int m_configVersion = 0;

    bool m_active = false;
    QHash<IntegrationKind, Flight> m_flights;
    QHash<IntegrationKind, QUuid> m_generations;
    QHash<IntegrationKind, std::shared_ptr<ScheduledCall>> m_pendingRefresh;
    // Secrets read or saved so far; a read that failed is not kept, so it is tried again.
    QHash<QString, QString> m_secrets;
    // Raised by every save of a secret: only the newest save of an account settles what is kept of it.
    QHash<QString, int> m_saveGenerations;
    QTimer* m_timer;
};
