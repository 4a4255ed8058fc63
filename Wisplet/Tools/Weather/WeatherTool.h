#pragma once

#include "Wisplet/Base/Keychain.h"
#include "Wisplet/Tools/Business/IntegrationClient.h"
#include "Wisplet/Tools/Weather/WeatherData.h"
#include "Wisplet/Tools/Weather/WeatherEndpoints.h"

#include <QObject>
#include <QPointer>
#include <QTimeZone>
#include <QUuid>

#include <chrono>
#include <optional>

class Clock;
class Defaults;
class QTimer;

// The weather tool's store: the chosen place and unit, the user's key, and the current conditions, next
// hours and days of the last forecast. While the tool runs it fetches at start, every half hour and after
// each change; only the newest fetch may write. The key is read from the keyring when first wanted and kept;
// the keyring may take long to answer or not answer at all, so nothing here waits for it. Main thread only.
class WeatherTool final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WeatherTool)

public:
    static constexpr std::chrono::seconds refreshInterval{1800};

    enum class KeyState {
        unread,
        reading,
        known,
        // The keyring refused or did not answer; tried again when the key is next wanted.
        unreadable,
    };

    struct Services
    {
        Defaults& defaults;
        Keychain& keychain;
        Clock& clock;
        const IntegrationClient& client;
    };

    // localZone: where the forecast's dates are read when the answer names no known zone.
    WeatherTool(const Services& services, WeatherEndpoints endpoints, QTimeZone localZone = QTimeZone::systemTimeZone(),
                QObject* parent = nullptr);
    ~WeatherTool() override;

    static WeatherTool& shared();

    std::optional<WeatherPlace> place() const { return m_place; }
    void setPlace(const std::optional<WeatherPlace>& place);
    bool useFahrenheit() const { return m_useFahrenheit; }
    void setUseFahrenheit(bool on);
    // The key as known so far: empty until the keyring has answered.
    QString apiKey() const { return m_apiKey; }
    // Saves the key in the keyring, in the background; it counts from now on, saved or not.
    void setApiKey(const QString& key);
    KeyState keyState() const { return m_keyState; }
    // Starts reading the key unless it is known or being read. Not when the tool is made: the tool is often off.
    void loadKey();
    // No key is stored; a keyring that has not answered is not known to have none.
    bool needsKey() const { return m_keyState == KeyState::known && m_apiKey.isEmpty(); }

    std::optional<WeatherCurrent> current() const { return m_current; }
    QList<WeatherHour> hours() const { return m_hours; }
    QList<WeatherDay> days() const { return m_days; }
    QDateTime updatedAt() const { return m_updatedAt; }
    QString errorText() const { return m_errorText; }
    bool isLoading() const { return m_loading; }
    bool isRunning() const;
    Clock& clock() const { return m_clock; }

    // Starts the half-hourly refresh and fetches at once; a running tool is left alone.
    void start();
    void stop();
    // Drops the forecast and, while running with a place, fetches it again.
    void refresh();
    // The places the service finds for the (trimmed) text; none without a key or on any failure. Changes
    // nothing here.
    QCoro::Task<QList<WeatherPlace>> searchPlaces(QString text, CancelToken cancel = {});

signals:
    void placeChanged(const std::optional<WeatherPlace>& value);
    void useFahrenheitChanged(bool value);
    void apiKeyChanged(const QString& value);
    void keyStateChanged(KeyState value);
    void forecastChanged();
    void errorTextChanged(const QString& value);
    void loadingChanged(bool value);
    void changed();

private:
    static QCoro::Task<> fetch(QPointer<WeatherTool> tool, const IntegrationClient& client, QUrl url, QUuid generation,
                               CancelToken cancel);
    void apply(const QUuid& generation, const CancelToken& cancel, const IntegrationResult<QJsonValue>& answer);
    void finish(const IntegrationResult<WeatherForecast>& forecast);
    void clearForecast();
    void startFetch();
    // Asks the keyring for the key; its answer counts unless a key was typed meanwhile.
    static QCoro::Task<> readKey(QPointer<WeatherTool> tool);
    void keyRead(const Keychain::ReadResult& read);
    static QCoro::Task<> saveKey(QPointer<WeatherTool> tool, Keychain& keychain, QString key, int generation);
    void keySaved(Keychain::WriteResult result);
    void setKeyState(KeyState state);
    void setErrorText(const QString& text);
    void setLoading(bool loading);
    // The message a refresh leaves when the fetch can start: the key's save failure, or none.
    QString standingError() const { return m_saveError; }

    Defaults& m_defaults;
    Keychain& m_keychain;
    Clock& m_clock;
    const IntegrationClient& m_client;
    WeatherEndpoints m_endpoints;
    QTimeZone m_localZone;

    std::optional<WeatherPlace> m_place;
    bool m_useFahrenheit = false;
    QString m_apiKey;
    KeyState m_keyState = KeyState::unread;
    // Raised by every typed key, so that a read answered after it is dropped.
    int m_keyGeneration = 0;
    // Raised by every save; only the newest save's outcome is said.
    int m_saveGeneration = 0;
    QString m_saveError;
    // A refresh found the key unknown and fetches once the keyring has answered.
    bool m_fetchAwaitsKey = false;

    std::optional<WeatherCurrent> m_current;
    QList<WeatherHour> m_hours;
    QList<WeatherDay> m_days;
    QDateTime m_updatedAt;
    QString m_errorText;
    bool m_loading = false;

    QUuid m_generation = QUuid::createUuid();
    CancelToken m_cancel;
    QTimer* m_timer;
};
