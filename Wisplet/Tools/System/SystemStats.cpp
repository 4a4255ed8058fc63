#include "Wisplet/Tools/System/SystemStats.h"

#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Platform/Platform.h"

#include <QTimer>

#include <algorithm>

namespace {

// Memory counts as tight once tasks have stalled on it for a tenth of the last ten seconds, or, on a
// kernel without pressure figures, once less than a twentieth of it is available.
constexpr double tightPressurePercent = 10;
constexpr quint64 tightAvailableDivisor = 20;
constexpr double minimumIntervalSeconds = 0.001;

} // namespace

SystemStats::SystemStats(const QString& root, Clock& clock, React react, QObject* parent)
    : QObject(parent)
    , m_root(root)
    , m_clock(clock)
    , m_react(std::move(react))
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(sampleIntervalMs);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &SystemStats::sample);
    if (const std::optional<SystemReaders::Memory> memory = SystemReaders::readMemory(m_root))
        m_memoryTotal = memory->total;
}

SystemStats::~SystemStats() = default;

SystemStats& SystemStats::shared()
{
    static auto* stats = new SystemStats(QStringLiteral("/"), Platform::clock(),
                                         [](const WispEvent& event) { WispState::shared().handle(event); });
    return *stats;
}

double SystemStats::memoryFraction() const
{
    return m_memoryTotal == 0 ? 0 : double(m_memoryUsed) / double(m_memoryTotal);
}

double SystemStats::diskFraction() const
{
    return m_diskTotal < 1 ? 0 : 1 - double(m_diskFree) / double(m_diskTotal);
}

void SystemStats::start()
{
    if (isRunning())
        return;
    m_previousCpu.reset();
    m_previousNet.reset();
    m_memoryTight.reset();
    sample();
    m_timer->start();
}

void SystemStats::stop()
{
    m_timer->stop();
}

bool SystemStats::isRunning() const
{
    return m_timer->isActive();
}

template <typename T, typename Signal>
void SystemStats::publish(T& member, const T& value, Signal signal)
{
    if (member == value)
        return;
    member = value;
    m_changed = true;
    emit(this->*signal)(value);
}

void SystemStats::sample()
{
    m_changed = false;
    sampleCpu();
    const std::optional<SystemReaders::Memory> memory = SystemReaders::readMemory(m_root);
    sampleMemory(memory);
    sampleDisk();
    sampleNetwork();
    sampleBattery();
    if (const std::optional<double> uptime = SystemReaders::readUptime(m_root))
        publish(m_uptime, *uptime, &SystemStats::uptimeChanged);
    checkMemoryPressure(memory);
    if (m_changed)
        emit changed();
}

bool SystemStats::isGapOver(const std::optional<qint64>& last, qint64 now, qint64 gap)
{
    return !last || now - *last > gap;
}

void SystemStats::sampleCpu()
{
    const std::optional<SystemReaders::CpuTicks> ticks = SystemReaders::readCpuTicks(m_root);
    if (!ticks)
        return;
    const std::optional<SystemReaders::CpuTicks> previous = std::exchange(m_previousCpu, ticks);
    if (!previous || ticks->total <= previous->total || ticks->busy < previous->busy)
        return;
    // The kernel's iowait may step back, which could otherwise give a share above one.
    const double usage = std::min(1.0, double(ticks->busy - previous->busy) / double(ticks->total - previous->total));

    publish(m_cpu, usage, &SystemStats::cpuChanged);
    QList<double> history = m_cpuHistory;
    history.append(usage);
    if (history.size() > historyLength)
        history.remove(0, history.size() - historyLength);
    publish(m_cpuHistory, history, &SystemStats::cpuHistoryChanged);

    if (usage <= hotShare) {
        m_hotSamples = 0;
        return;
    }
    ++m_hotSamples;
    const qint64 now = m_clock.monotonicMs();
    if (m_hotSamples >= hotSamplesBeforeReaction && isGapOver(m_lastHotReactionMs, now, hotReactionGapMs)) {
        m_lastHotReactionMs = now;
        m_react(WispEvent::of(WispEvent::Kind::cpuHot));
    }
}

void SystemStats::sampleMemory(const std::optional<SystemReaders::Memory>& memory)
{
    if (!memory)
        return;
    publish(m_memoryUsed, memory->used(), &SystemStats::memoryUsedChanged);
    publish(m_memoryTotal, memory->total, &SystemStats::memoryTotalChanged);
}

void SystemStats::sampleDisk()
{
    if (const std::optional<SystemReaders::Disk> disk = SystemReaders::readDisk(m_root)) {
        publish(m_diskFree, disk->free, &SystemStats::diskFreeChanged);
        publish(m_diskTotal, disk->total, &SystemStats::diskTotalChanged);
    }
}

void SystemStats::sampleNetwork()
{
    // A failed read keeps the rates and the baseline: the next good read then measures a true interval.
    const std::optional<SystemReaders::NetSample> counters = SystemReaders::readNetworkBytes(m_root);
    if (!counters)
        return;
    const qint64 now = m_clock.monotonicMs();
    const std::optional<NetBaseline> previous = std::exchange(m_previousNet, NetBaseline{*counters, now});
    if (!previous)
        return;

    // Per interface, and only over those in both samples, so one that comes or goes (or could not be
    // read this time) never turns its whole count since boot into one interval's traffic.
    quint64 rx = 0;
    quint64 tx = 0;
    for (auto it = counters->cbegin(); it != counters->cend(); ++it) {
        const auto before = previous->counters.constFind(it.key());
        if (before == previous->counters.cend())
            continue;
        // A counter that went down (reset, or a driver reloaded): no rate this pass.
        if (it->rx < before->rx || it->tx < before->tx)
            return;
        rx += it->rx - before->rx;
        tx += it->tx - before->tx;
    }
    const double seconds = std::max(double(now - previous->atMs) / 1000, minimumIntervalSeconds);
    publish(m_downloadRate, double(rx) / seconds, &SystemStats::downloadRateChanged);
    publish(m_uploadRate, double(tx) / seconds, &SystemStats::uploadRateChanged);
}

void SystemStats::sampleBattery()
{
    const std::optional<BatteryInfo> info = readBattery(m_root);
    if (info) {
        if (m_battery && !m_battery->onAC && info->onAC)
            m_react(WispEvent::of(WispEvent::Kind::batteryCharging));
        if (!info->onAC && info->percent <= batteryLowPercent) {
            if (!m_batteryLowNotified) {
                m_batteryLowNotified = true;
                m_react(WispEvent::of(WispEvent::Kind::batteryLow));
            }
        } else {
            m_batteryLowNotified = false;
        }
    }
    publish(m_battery, info, &SystemStats::batteryChanged);
}

void SystemStats::checkMemoryPressure(const std::optional<SystemReaders::Memory>& memory)
{
    std::optional<bool> tight;
    if (const std::optional<double> pressure = SystemReaders::readMemoryPressure(m_root))
        tight = *pressure >= tightPressurePercent;
    else if (memory)
        tight = memory->available < memory->total / tightAvailableDivisor;
    if (!tight)
        return;
    const std::optional<bool> before = std::exchange(m_memoryTight, tight);
    if (!before || *before || !*tight)
        return;
    const qint64 now = m_clock.monotonicMs();
    if (isGapOver(m_lastMemoryReactionMs, now, memoryReactionGapMs)) {
        m_lastMemoryReactionMs = now;
        m_react(WispEvent::of(WispEvent::Kind::memoryPressure));
    }
}
