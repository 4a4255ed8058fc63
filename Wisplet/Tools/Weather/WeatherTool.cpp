#include "Wisplet/Tools/Weather/WeatherTool.h"

#include "Wisplet/Base/Keychain.h"
#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Platform/Platform.h"
#include "Wisplet/Tools/Weather/WeatherParsing.h"

#include <QTimer>

namespace {

const QString placeKey = QStringLiteral("weather.place");
const QString fahrenheitKey = QStringLiteral("weather.fahrenheit");
const QString keyAccount = QStringLiteral("weather.apiKey");
const QString saveFailedText = QStringLiteral("Could not save the weather key.");
// A week's forecast is some tens of kilobytes.
constexpr qint64 maxAnswerBytes = 1024 * 1024;

std::optional<WeatherPlace> loadPlace(const Defaults& defaults)
{
    return WeatherParsing::placeFromMap(defaults.dictionary(placeKey));
}

} // namespace

WeatherTool::WeatherTool(const Services& services, WeatherEndpoints endpoints, QTimeZone localZone, QObject* parent)
    : QObject(parent)
    , m_defaults(services.defaults)
    , m_keychain(services.keychain)
    , m_clock(services.clock)
    , m_client(services.client)
    , m_endpoints(std::move(endpoints))
    , m_localZone(std::move(localZone))
    , m_place(loadPlace(m_defaults))
    , m_useFahrenheit(m_defaults.boolValue(fahrenheitKey))
    , m_timer(new QTimer(this))
{
    // 60 s of slack on half an hour is under 5 %.
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(refreshInterval);
    connect(m_timer, &QTimer::timeout, this, &WeatherTool::refresh);
}

WeatherTool::~WeatherTool()
{
    // An aborted fetch may end at once; it must find the tool stopped.
    m_timer->stop();
    m_cancel.cancel();
}

WeatherTool& WeatherTool::shared()
{
    static auto* tool =
        new WeatherTool({Platform::defaults(), Keychain::shared(), Platform::clock(), IntegrationClient::shared()},
                        WeatherEndpoints::hosted());
    return *tool;
}

bool WeatherTool::isRunning() const
{
    return m_timer->isActive();
}

void WeatherTool::setPlace(const std::optional<WeatherPlace>& place)
{
    m_place = place;
    if (place)
        m_defaults.set(placeKey, WeatherParsing::placeToMap(*place));
    else
        m_defaults.remove(placeKey);
    emit placeChanged(m_place);
    emit changed();
    refresh();
}

void WeatherTool::setUseFahrenheit(bool on)
{
    m_useFahrenheit = on;
    m_defaults.set(fahrenheitKey, on);
    emit useFahrenheitChanged(on);
    emit changed();
    refresh();
}

QString WeatherTool::apiKey() const
{
    loadKey();
    return m_apiKey;
}

bool WeatherTool::needsKey() const
{
    loadKey();
    return !m_keyUnread && m_apiKey.isEmpty();
}

void WeatherTool::setApiKey(const QString& key)
{
    m_apiKey = key;
    // What the user typed is what counts from now on, saved or not.
    m_keyAsked = true;
    m_keyUnread = false;
    const bool failedBefore = std::exchange(m_keySaveFailed, !m_keychain.write(key, keyAccount));
    emit apiKeyChanged(key);
    emit changed();
    if (m_keySaveFailed || (failedBefore && m_errorText == saveFailedText))
        setErrorText(standingError());
    refresh();
}

void WeatherTool::start()
{
    if (isRunning())
        return;
    m_timer->start();
    refresh();
}

void WeatherTool::stop()
{
    m_timer->stop();
    m_generation = QUuid::createUuid();
    clearForecast();
    // Last: an aborted request may end at once, and must find everything stopped.
    std::exchange(m_cancel, CancelToken()).cancel();
}

void WeatherTool::refresh()
{
    std::exchange(m_cancel, CancelToken()).cancel();
    m_generation = QUuid::createUuid();
    clearForecast();
    if (!isRunning() || !m_place)
        return;
    if (!keyKnown()) {
        setErrorText(QStringLiteral("Could not read the weather key from the keyring."));
        return;
    }
    const QString key = m_apiKey.trimmed();
    if (key.isEmpty()) {
        setErrorText(QStringLiteral("Add an Open-Meteo customer API key in Settings → Tools."));
        return;
    }
    setLoading(true);
    setErrorText(standingError());
    const IntegrationResult<QUrl> url =
        IntegrationClient::makeURL(m_endpoints.forecast, WeatherParsing::forecastQuery(*m_place, key, m_useFahrenheit));
    if (!url.ok()) {
        finish(url.error());
        return;
    }
    // May finish before it returns, when the transport has nothing to wait for.
    fetch(this, m_client, url.value(), m_generation, m_cancel);
}

QCoro::Task<> WeatherTool::fetch(QPointer<WeatherTool> tool, const IntegrationClient& client, QUrl url,
                                 QUuid generation, CancelToken cancel)
{
    const IntegrationResult<QJsonValue> answer =
        co_await client.getJSON(std::move(url), HttpHeaders(), cancel, maxAnswerBytes);
    if (tool)
        tool->apply(generation, cancel, answer);
}

void WeatherTool::apply(const QUuid& generation, const CancelToken& cancel, const IntegrationResult<QJsonValue>& answer)
{
    if (cancel.isCancelled() || generation != m_generation || !isRunning())
        return;
    if (!answer.ok()) {
        finish(answer.error());
        return;
    }
    finish(WeatherParsing::parseForecast(answer.value(), m_clock.now(), m_localZone));
}

void WeatherTool::finish(const IntegrationResult<WeatherForecast>& forecast)
{
    if (forecast.ok()) {
        m_days = forecast.value().days;
        m_current = forecast.value().current;
        m_hours = forecast.value().hours;
        m_updatedAt = m_clock.now();
        emit forecastChanged();
    } else {
        setErrorText(forecast.error().description());
    }
    setLoading(false);
    emit changed();
}

void WeatherTool::clearForecast()
{
    m_current.reset();
    m_hours.clear();
    m_days.clear();
    m_updatedAt = QDateTime();
    emit forecastChanged();
    setLoading(false);
    emit changed();
}

QCoro::Task<QList<WeatherPlace>> WeatherTool::searchPlaces(QString text, CancelToken cancel)
{
    // Trimmed as for the forecast: a pasted key with a line break would make every search fail unseen.
    const QString key = keyKnown() ? m_apiKey.trimmed() : QString();
    if (key.isEmpty())
        co_return QList<WeatherPlace>();
    const IntegrationResult<QUrl> url =
        IntegrationClient::makeURL(m_endpoints.search, WeatherParsing::searchQuery(text, key));
    if (!url.ok())
        co_return QList<WeatherPlace>();
    // Nothing of the store is touched after the wait; it may be gone by then.
    const IntegrationClient& client = m_client;
    const IntegrationResult<QJsonValue> answer =
        co_await client.getJSON(url.value(), HttpHeaders(), cancel, maxAnswerBytes);
    if (!answer.ok())
        co_return QList<WeatherPlace>();
    co_return WeatherParsing::parsePlaces(answer.value());
}

void WeatherTool::loadKey() const
{
    if (std::exchange(m_keyAsked, true))
        return;
    const Keychain::ReadResult read = m_keychain.readChecked(keyAccount);
    if (read.status == Keychain::Status::Failed)
        return;
    m_keyUnread = false;
    m_apiKey = read.value;
}

bool WeatherTool::keyKnown()
{
    if (!m_keyAsked) {
        loadKey();
        return !m_keyUnread;
    }
    if (!m_keyUnread)
        return true;
    const Keychain::ReadResult read = m_keychain.readChecked(keyAccount);
    if (read.status == Keychain::Status::Failed)
        return false;
    m_keyUnread = false;
    m_apiKey = read.value;
    emit apiKeyChanged(m_apiKey);
    emit changed();
    return true;
}

void WeatherTool::setErrorText(const QString& text)
{
    m_errorText = text;
    emit errorTextChanged(text);
    emit changed();
}

void WeatherTool::setLoading(bool loading)
{
    m_loading = loading;
    emit loadingChanged(loading);
}

QString WeatherTool::standingError() const
{
    // The key lives on in memory only; left unsaid, it would be gone at the next start.
    return m_keySaveFailed ? saveFailedText : QString();
}
