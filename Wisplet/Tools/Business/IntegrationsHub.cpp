#include "Wisplet/Tools/Business/IntegrationsHub.h"

#include "Wisplet/Base/Keychain.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Platform/Platform.h"
#include "Wisplet/Platform/Scheduler.h"
#include "Wisplet/Tools/Business/IntegrationFormat.h"

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QString enabledKey = QStringLiteral("integrations.enabled");
const QString refreshKey = QStringLiteral("integrations.refresh");

QString defaultsKey(IntegrationKind kind, const IntegrationField& field)
{
    return QStringLiteral("integration.%1.%2").arg(rawValue(kind), field.key);
}

QString account(IntegrationKind kind, const IntegrationField& field)
{
    return rawValue(kind) + QLatin1Char('.') + field.key;
}

QSet<IntegrationKind> loadEnabled(const Defaults& defaults)
{
    QSet<IntegrationKind> enabled;
    for (const QString& raw : defaults.stringArray(enabledKey).value_or(QStringList())) {
        if (const std::optional<IntegrationKind> kind = integrationKindFromRawValue(raw))
            enabled.insert(*kind);
    }
    return enabled;
}

} // namespace

IntegrationsHub::IntegrationsHub(const Services& services, QTimeZone zone, QObject* parent)
    : QObject(parent)
    , m_defaults(services.defaults)
    , m_keychain(services.keychain)
    , m_clock(services.clock)
    , m_scheduler(services.scheduler)
    , m_wisp(services.wisp)
    , m_connector(services.connector)
    , m_zone(std::move(zone))
    , m_enabled(loadEnabled(m_defaults))
    , m_refreshMinutes(m_defaults.contains(refreshKey) ? m_defaults.doubleValue(refreshKey) : defaultRefreshMinutes)
    , m_timer(new QTimer(this))
{
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &IntegrationsHub::refreshAll);
}

IntegrationsHub::~IntegrationsHub()
{
    // An aborted fetch may end at once; it must find the hub inactive, and later ones find no hub.
    m_active = false;
    for (Flight flight : std::exchange(m_flights, {}))
        flight.cancel.cancel();
}

IntegrationsHub& IntegrationsHub::shared()
{
    static auto* hub = new IntegrationsHub({Platform::defaults(), Keychain::shared(), Platform::clock(),
                                            Platform::scheduler(), WispState::shared(), ConnectorTable::shared()});
    return *hub;
}

QList<IntegrationKind> IntegrationsHub::enabledKinds() const
{
    QList<IntegrationKind> kinds;
    for (IntegrationKind kind : allIntegrationKinds) {
        if (m_enabled.contains(kind))
            kinds << kind;
    }
    return kinds;
}

void IntegrationsHub::setRefreshMinutes(double minutes)
{
    m_refreshMinutes = minutes;
    m_defaults.set(refreshKey, minutes);
    scheduleTimer();
    emit refreshMinutesChanged(minutes);
    emit changed();
}

std::optional<std::chrono::milliseconds> IntegrationsHub::timerInterval() const
{
    if (!m_timer->isActive())
        return std::nullopt;
    return m_timer->intervalAsDuration();
}

void IntegrationsHub::start()
{
    if (m_active)
        return;
    m_active = true;
    scheduleTimer();
    refreshAll();
}

void IntegrationsHub::stop()
{
    m_active = false;
    m_timer->stop();
    const QHash<IntegrationKind, Flight> flights = std::exchange(m_flights, {});
    m_generations.clear();
    m_refreshing.clear();
    m_pendingRefresh.clear();
    m_snapshots.clear();
    emit refreshingChanged(m_refreshing);
    emit snapshotsChanged(m_snapshots);
    emit changed();
    // Last: an aborted request may end at once, and must find everything cleaned up.
    for (Flight flight : flights)
        flight.cancel.cancel();
}

void IntegrationsHub::refreshAll()
{
    for (IntegrationKind kind : enabledKinds())
        refresh(kind);
}

void IntegrationsHub::refresh(IntegrationKind kind)
{
    m_pendingRefresh.remove(kind);
    // A refresh asked for while one runs is dropped, not queued.
    if (!m_active || !m_enabled.contains(kind) || m_refreshing.contains(kind))
        return;
    const QUuid token = QUuid::createUuid();
    m_generations.insert(kind, token);
    m_refreshing.insert(kind);
    emit refreshingChanged(m_refreshing);
    emit changed();

    const std::optional<Credentials> credentials = readCredentials(kind);
    if (!credentials) {
        finish(kind, token,
               IntegrationError::system(QStringLiteral("Could not read this credential from the keyring.")));
        return;
    }
    const CancelToken cancel;
    m_flights.insert(kind, {token, cancel});
    // May finish before it returns, when the connector has nothing to wait for.
    run(this, m_connector, kind, token, *credentials, cancel);
}

QCoro::Task<> IntegrationsHub::run(QPointer<IntegrationsHub> hub, IntegrationConnector& connector, IntegrationKind kind,
                                   QUuid token, Credentials credentials, CancelToken cancel)
{
    const SnapshotResult result = co_await connector.fetch(kind, std::move(credentials), cancel);
    if (hub)
        hub->finish(kind, token, result);
}

void IntegrationsHub::finish(IntegrationKind kind, const QUuid& token, const SnapshotResult& result)
{
    if (!m_active || !m_enabled.contains(kind) || m_generations.value(kind) != token)
        return;
    m_flights.remove(kind);
    m_refreshing.remove(kind);
    m_lastRefresh = m_clock.now();
    emit refreshingChanged(m_refreshing);
    emit lastRefreshChanged(m_lastRefresh);
    if (result.ok()) {
        const auto previous = m_snapshots.constFind(kind);
        if (previous != m_snapshots.cend()) {
            if (const std::optional<QString> sale = saleText(*previous, result.value(), m_zone))
                m_wisp.handle(WispEvent::sale(*sale));
        }
        m_snapshots.insert(kind, result.value());
        m_errors.remove(kind);
        emit snapshotsChanged(m_snapshots);
        emit errorsChanged(m_errors);
    } else if (!result.error().isCancelled()) {
        m_errors.insert(kind, result.error().description());
        emit errorsChanged(m_errors);
    }
    emit changed();
}

void IntegrationsHub::cancel(IntegrationKind kind)
{
    m_pendingRefresh.remove(kind);
    m_generations.insert(kind, QUuid::createUuid());
    const std::optional<Flight> flight = m_flights.contains(kind) ? std::optional(m_flights.take(kind)) : std::nullopt;
    if (m_refreshing.remove(kind)) {
        emit refreshingChanged(m_refreshing);
        emit changed();
    }
    if (flight)
        CancelToken(flight->cancel).cancel();
}

void IntegrationsHub::setEnabled(IntegrationKind kind, bool on)
{
    cancel(kind);
    if (on) {
        m_enabled.insert(kind);
    } else {
        m_enabled.remove(kind);
        removeResults(kind);
    }
    saveEnabled();
    emit enabledChanged(m_enabled);
    emit changed();
    if (on)
        refresh(kind);
}

void IntegrationsHub::saveEnabled()
{
    QStringList raw;
    for (IntegrationKind kind : std::as_const(m_enabled))
        raw << rawValue(kind);
    raw.sort();
    m_defaults.set(enabledKey, raw);
}

void IntegrationsHub::removeResults(IntegrationKind kind)
{
    if (m_snapshots.remove(kind))
        emit snapshotsChanged(m_snapshots);
    if (m_errors.remove(kind))
        emit errorsChanged(m_errors);
}

void IntegrationsHub::scheduleTimer()
{
    m_timer->stop();
    if (m_active)
        m_timer->start(intervalFor(m_refreshMinutes));
}

std::chrono::milliseconds IntegrationsHub::intervalFor(double minutes)
{
    // In double until the end: a huge or undefined number of minutes must never reach the integer.
    constexpr double maxMinutes = double(std::numeric_limits<int>::max()) / 60'000;
    const double clamped = std::min(minutes >= 1 ? minutes : 1.0, maxMinutes);
    return std::chrono::milliseconds(qint64(clamped * 60'000));
}

std::optional<QString> IntegrationsHub::saleText(const IntegrationSnapshot& previous,
                                                 const IntegrationSnapshot& current, const QTimeZone& zone,
                                                 const QLocale& locale)
{
    if (!previous.ordersToday || !current.ordersToday || *current.ordersToday <= *previous.ordersToday)
        return std::nullopt;
    // A count that starts again at midnight is a new day, not a sale.
    if (previous.fetchedAt.toTimeZone(zone).date() != current.fetchedAt.toTimeZone(zone).date())
        return std::nullopt;
    if (previous.currency == current.currency && previous.revenueToday && current.revenueToday
        && *current.revenueToday > *previous.revenueToday)
        return formatMoney(*current.revenueToday - *previous.revenueToday, current.currency, locale);
    const qint64 sales = *current.ordersToday - *previous.ordersToday;
    return sales == 1 ? QStringLiteral("1 sale") : QStringLiteral("%1 sales").arg(sales);
}

QString IntegrationsHub::credential(const IntegrationField& field, IntegrationKind kind)
{
    if (!field.secure)
        return m_defaults.string(defaultsKey(kind, field));
    return readSecret(account(kind, field)).value_or(QString());
}

Credentials IntegrationsHub::credentials(IntegrationKind kind)
{
    Credentials result;
    for (const IntegrationField& field : fields(kind))
        result.insert(field.key, credential(field, kind));
    return result;
}

std::optional<Credentials> IntegrationsHub::readCredentials(IntegrationKind kind)
{
    Credentials result;
    for (const IntegrationField& field : fields(kind)) {
        if (!field.secure) {
            result.insert(field.key, m_defaults.string(defaultsKey(kind, field)));
            continue;
        }
        // A keyring that cannot be asked is not an empty key: the service would report it missing.
        const std::optional<QString> secret = readSecret(account(kind, field));
        if (!secret)
            return std::nullopt;
        result.insert(field.key, *secret);
    }
    return result;
}

std::optional<QString> IntegrationsHub::readSecret(const QString& name)
{
    const auto cached = m_secrets.constFind(name);
    if (cached != m_secrets.cend())
        return *cached;
    const Keychain::ReadResult read = m_keychain.readChecked(name);
    if (read.status == Keychain::Status::Failed)
        return std::nullopt;
    m_secrets.insert(name, read.value);
    return read.value;
}

void IntegrationsHub::saveCredentials(const QString& value, const IntegrationField& field, IntegrationKind kind)
{
    if (field.secure) {
        if (!m_keychain.write(value, account(kind, field))) {
            setError(kind, QStringLiteral("Could not save this credential in the keyring."));
            return;
        }
        m_secrets.insert(account(kind, field), value);
    } else {
        m_defaults.set(defaultsKey(kind, field), value);
    }
    cancel(kind);
    if (m_snapshots.remove(kind))
        emit snapshotsChanged(m_snapshots);
    ++m_configVersion;
    emit configVersionChanged(m_configVersion);
    if (m_errors.remove(kind))
        emit errorsChanged(m_errors);
    emit changed();
    // Several fields saved in a row lead to one fetch, a moment after the last.
    if (m_enabled.contains(kind))
        m_pendingRefresh.insert(kind, m_scheduler.callAfter(saveRefreshDelay, [this, kind] { refresh(kind); }));
}

void IntegrationsHub::setError(IntegrationKind kind, const QString& text)
{
    m_errors.insert(kind, text);
    emit errorsChanged(m_errors);
    emit changed();
}

QCoro::Task<SnapshotResult> IntegrationsHub::testConnection(IntegrationKind kind)
{
    const std::optional<Credentials> credentials = readCredentials(kind);
    if (!credentials)
        co_return IntegrationError::system(QStringLiteral("Could not read this credential from the keyring."));
    co_return co_await m_connector.fetch(kind, *credentials, CancelToken());
}
