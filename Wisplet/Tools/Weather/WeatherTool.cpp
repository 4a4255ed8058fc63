#include "Wisplet/Tools/Weather/WeatherTool.h"

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
const QString saveTimedOutText = QStringLiteral("Could not save the weather key: the keyring did not answer in time.");
const QString readFailedText = QStringLiteral("Could not read the weather key from the keyring.");
const QString readTimedOutText = QStringLiteral("Could not read the weather key: the keyring did not answer in time.");
// A week's forecast is some tens of kilobytes.
constexpr qint64 maxAnswerBytes = 1024 * 1024;

std::optional<WeatherPlace> loadPlace(const Defaults& defaults)
{
    return WeatherParsing::placeFromMap(defaults.dictionary(placeKey));
}

QString saveErrorText(Keychain::WriteResult result)
{
    switch (result) {
    case Keychain::WriteResult::Failed:
        return saveFailedText;
    case Keychain::WriteResult::TimedOut:
        return saveTimedOutText;
    case Keychain::WriteResult::Saved:
    case Keychain::WriteResult::Replaced:
        break;
    }
    return {};
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

void WeatherTool::setApiKey(const QString& key)
{
    m_apiKey = key;
    // What the user typed is what counts from now on, saved or not; a read still under way is out of date.
    ++m_keyGeneration;
    setKeyState(KeyState::known);
    emit apiKeyChanged(key);
    emit changed();
    saveKey(this, m_keychain, key, ++m_saveGeneration);
    refresh();
}

void WeatherTool::loadKey()
{
    if (m_keyState == KeyState::unread || m_keyState == KeyState::unreadable)
        readKey(this);
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
    m_fetchAwaitsKey = false;
    clearForecast();
    // Last: an aborted request may end at once, and must find everything stopped.
    std::exchange(m_cancel, CancelToken()).cancel();
}

void WeatherTool::refresh()
{
    std::exchange(m_cancel, CancelToken()).cancel();
    m_generation = QUuid::createUuid();
    m_fetchAwaitsKey = false;
    clearForecast();
    if (!isRunning() || !m_place)
        return;
    if (m_keyState != KeyState::known) {
        // Loading from now on: the page shows it waits, for the keyring first.
        m_fetchAwaitsKey = true;
        setLoading(true);
        loadKey();
        return;
    }
    startFetch();
}

void WeatherTool::startFetch()
{
    const QString key = m_apiKey.trimmed();
    if (key.isEmpty()) {
        setLoading(false);
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
    // Nothing of the store is touched after a wait unless it is still there.
    const QPointer<WeatherTool> self(this);
    const IntegrationClient& client = m_client;
    const QString endpoint = m_endpoints.search;
    if (m_keyState != KeyState::known)
        co_await readKey(self);
    if (!self || self->m_keyState != KeyState::known)
        co_return QList<WeatherPlace>();
    // Trimmed as for the forecast: a pasted key with a line break would make every search fail unseen.
    const QString key = self->m_apiKey.trimmed();
    if (key.isEmpty())
        co_return QList<WeatherPlace>();
    const IntegrationResult<QUrl> url = IntegrationClient::makeURL(endpoint, WeatherParsing::searchQuery(text, key));
    if (!url.ok())
        co_return QList<WeatherPlace>();
    const IntegrationResult<QJsonValue> answer =
        co_await client.getJSON(url.value(), HttpHeaders(), cancel, maxAnswerBytes);
    if (!answer.ok())
        co_return QList<WeatherPlace>();
    co_return WeatherParsing::parsePlaces(answer.value());
}

QCoro::Task<> WeatherTool::readKey(QPointer<WeatherTool> tool)
{
    Keychain& keychain = tool->m_keychain;
    const int generation = tool->m_keyGeneration;
    tool->setKeyState(KeyState::reading);
    const Keychain::ReadResult read = co_await keychain.read(keyAccount);
    if (tool && generation == tool->m_keyGeneration)
        tool->keyRead(read);
}

void WeatherTool::keyRead(const Keychain::ReadResult& read)
{
    const bool known = read.answered();
    if (known) {
        const bool fresh = m_apiKey != read.value;
        m_apiKey = read.value;
        setKeyState(KeyState::known);
        if (fresh) {
            emit apiKeyChanged(m_apiKey);
            emit changed();
        }
        // An earlier read's complaint is over.
        if (m_errorText == readFailedText || m_errorText == readTimedOutText)
            setErrorText(standingError());
    } else {
        setKeyState(KeyState::unreadable);
        setErrorText(read.status == Keychain::Status::TimedOut ? readTimedOutText : readFailedText);
    }
    if (!std::exchange(m_fetchAwaitsKey, false))
        return;
    if (known)
        refresh();
    else
        setLoading(false);
}

QCoro::Task<> WeatherTool::saveKey(QPointer<WeatherTool> tool, Keychain& keychain, QString key, int generation)
{
    const Keychain::WriteResult result = co_await keychain.write(key, keyAccount);
    if (tool && generation == tool->m_saveGeneration)
        tool->keySaved(result);
}

void WeatherTool::keySaved(Keychain::WriteResult result)
{
    const QString before = std::exchange(m_saveError, saveErrorText(result));
    // The key lives on in memory only; left unsaid, it would be gone at the next start. A save that worked takes
    // back only the message of the one before.
    if (!m_saveError.isEmpty() || (!before.isEmpty() && m_errorText == before))
        setErrorText(m_saveError);
}

void WeatherTool::setKeyState(KeyState state)
{
    if (m_keyState == state)
        return;
    m_keyState = state;
    emit keyStateChanged(state);
    emit changed();
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
