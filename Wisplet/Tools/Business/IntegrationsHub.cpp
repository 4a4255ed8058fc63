#include "Wisplet/Tools/Business/IntegrationsHub.h"

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

    const CancelToken cancel;
    m_flights.insert(kind, {token, cancel});
    // May finish before it returns, when neither the keyring nor the connector has anything to wait for.
    run(this, kind, token, cancel);
}

QCoro::Task<> IntegrationsHub::run(QPointer<IntegrationsHub> hub, IntegrationKind kind, QUuid token, CancelToken cancel)
{
    const IntegrationResult<Credentials> credentials = co_await hub->readCredentials(kind);
    if (!hub || cancel.isCancelled())
        co_return;
    if (!credentials.ok()) {
        hub->finish(kind, token, credentials.error());
        co_return;
    }
    IntegrationConnector& connector = hub->m_connector;
    const SnapshotResult result = co_await connector.fetch(kind, credentials.value(), cancel);
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

QCoro::Task<Keychain::ReadResult> IntegrationsHub::credential(IntegrationField field, IntegrationKind kind)
{
    if (!field.secure)
        co_return Keychain::ReadResult{Keychain::Status::Found, m_defaults.string(defaultsKey(kind, field))};
    co_return co_await readSecret(account(kind, field));
}

QCoro::Task<IntegrationResult<Credentials>> IntegrationsHub::readCredentials(IntegrationKind kind, Credentials typed)
{
    const QPointer<IntegrationsHub> self(this);
    Credentials result;
    for (const IntegrationField& field : fields(kind)) {
        if (const auto given = typed.constFind(field.key); given != typed.cend()) {
            result.insert(field.key, *given);
            continue;
        }
        if (!self)
            co_return IntegrationError::cancelled();
        const Keychain::ReadResult read = co_await self->credential(field, kind);
        // A keyring that cannot be asked is not an empty key: the service would report it missing.
        if (!read.answered())
            co_return IntegrationError::system(readFailureText(read.status));
        result.insert(field.key, read.value);
    }
    co_return result;
}

QCoro::Task<Keychain::ReadResult> IntegrationsHub::readSecret(QString name)
{
    const auto cached = m_secrets.constFind(name);
    if (cached != m_secrets.cend())
        co_return Keychain::ReadResult{Keychain::Status::Found, *cached};
    const QPointer<IntegrationsHub> self(this);
    const int saves = m_saveGenerations.value(name);
    Keychain& keychain = m_keychain;
    const Keychain::ReadResult read = co_await keychain.read(name);
    // A read that failed is not kept, so it is tried again; one that a save overtook is the save's to settle.
    if (self && read.answered() && saves == self->m_saveGenerations.value(name))
        self->m_secrets.insert(name, read.value);
    co_return read;
}

QCoro::Task<Keychain::WriteResult> IntegrationsHub::saveCredentials(QString value, IntegrationField field,
                                                                    IntegrationKind kind)
{
    if (!field.secure) {
        m_defaults.set(defaultsKey(kind, field), value);
        credentialSaved(kind);
        co_return Keychain::WriteResult::Saved;
    }
    const QPointer<IntegrationsHub> self(this);
    const QString name = account(kind, field);
    const int generation = ++m_saveGenerations[name];
    Keychain& keychain = m_keychain;
    const Keychain::WriteResult result = co_await keychain.write(value, name);
    if (!self || generation != self->m_saveGenerations.value(name))
        co_return result;
    if (result == Keychain::WriteResult::Saved) {
        self->m_secrets.insert(name, value);
        self->credentialSaved(kind);
    } else if (result != Keychain::WriteResult::Replaced) {
        // The keyring may hold an earlier save of ours, or this one after all: it is asked again when next wanted.
        self->m_secrets.remove(name);
        self->setError(kind, saveFailureText(result));
    }
    co_return result;
}

void IntegrationsHub::credentialSaved(IntegrationKind kind)
{
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

QString IntegrationsHub::readFailureText(Keychain::Status status)
{
    return status == Keychain::Status::TimedOut
        ? QStringLiteral("Could not read this credential: the keyring did not answer in time.")
        : QStringLiteral("Could not read this credential from the keyring.");
}

QString IntegrationsHub::saveFailureText(Keychain::WriteResult result)
{
    switch (result) {
    case Keychain::WriteResult::Failed:
        return QStringLiteral("Could not save this credential in the keyring.");
    case Keychain::WriteResult::TimedOut:
        return QStringLiteral("Could not save this credential: the keyring did not answer in time.");
    case Keychain::WriteResult::Saved:
    case Keychain::WriteResult::Replaced:
        break;
    }
    return {};
}

void IntegrationsHub::setError(IntegrationKind kind, const QString& text)
{
    m_errors.insert(kind, text);
    emit errorsChanged(m_errors);
    emit changed();
}

QCoro::Task<SnapshotResult> IntegrationsHub::testConnection(IntegrationKind kind, Credentials typed)
{
    const QPointer<IntegrationsHub> self(this);
    const IntegrationResult<Credentials> credentials = co_await readCredentials(kind, std::move(typed));
    if (!credentials.ok())
        co_return credentials.error();
    if (!self)
        co_return IntegrationError::cancelled();
    IntegrationConnector& connector = self->m_connector;
    co_return co_await connector.fetch(kind, credentials.value(), CancelToken());
}
