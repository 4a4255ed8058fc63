#pragma once

#include "Wisplet/Base/ToolService.h"
#include "Wisplet/Companion/WispEvent.h"
#include "Wisplet/Platform/BatteryReader.h"
#include "Wisplet/Platform/SystemReaders.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class Clock;
class QTimer;

// The system tool's model: while it runs it samples processor, memory, disk, network, battery and uptime
// every 2 s from the kernel's files under its root, and tells Wisp about a hot processor, tight memory, a
// low battery and the charger. A figure signals only when it changed, so a quiet machine redraws nothing.
class SystemStats final : public QObject, public ToolService
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SystemStats)

public:
    static constexpr int sampleIntervalMs = 2'000;
    static constexpr int historyLength = 40;
    static constexpr double hotShare = 0.85;
    static constexpr int hotSamplesBeforeReaction = 15;
    static constexpr qint64 hotReactionGapMs = 300'000;
    static constexpr qint64 memoryReactionGapMs = 600'000;
    static constexpr int batteryLowPercent = 15;

    // Where the reactions go: Wisp's handle() in the program.
    using React = std::function<void(const WispEvent&)>;

    SystemStats(const QString& root, Clock& clock, React react, QObject* parent = nullptr);
    ~SystemStats() override;

    static SystemStats& shared();

    double cpu() const { return m_cpu; }
    QList<double> cpuHistory() const { return m_cpuHistory; }
    quint64 memoryUsed() const { return m_memoryUsed; }
    quint64 memoryTotal() const { return m_memoryTotal; }
    qint64 diskFree() const { return m_diskFree; }
    qint64 diskTotal() const { return m_diskTotal; }
    double downloadRate() const { return m_downloadRate; }
    double uploadRate() const { return m_uploadRate; }
    std::optional<BatteryInfo> battery() const { return m_battery; }
    double uptime() const { return m_uptime; }
    double memoryFraction() const;
    double diskFraction() const;

    // Lays new baselines, samples at once, then every 2 s; does nothing while running. Stopping keeps the
    // figures and the reaction memory.
    void start() override;
    void stop() override;
    bool isRunning() const;
    // One sampling pass; the timer runs it, tests call it after moving the clock.
    void sample();

signals:
    void cpuChanged(double value);
    void cpuHistoryChanged(const QList<double>& value);
    void memoryUsedChanged(quint64 value);
    void memoryTotalChanged(quint64 value);
    void diskFreeChanged(qint64 value);
    void diskTotalChanged(qint64 value);
    void downloadRateChanged(double value);
    void uploadRateChanged(double value);
    void batteryChanged(const std::optional<BatteryInfo>& value);
    void uptimeChanged(double value);
    // Once after a pass in which any figure changed.
    void changed();

private:
    struct NetBaseline
    {
        SystemReaders::NetSample counters;
        qint64 atMs = 0;
    };

    template <typename T, typename Signal>
    void publish(T& member, const T& value, Signal signal);
    void sampleCpu();
    void sampleMemory(const std::optional<SystemReaders::Memory>& memory);
    void sampleDisk();
    void sampleNetwork();
    void sampleBattery();
    void checkMemoryPressure(const std::optional<SystemReaders::Memory>& memory);
    static bool isGapOver(const std::optional<qint64>& last, qint64 now, qint64 gap);

    QString m_root;
    Clock& m_clock;
    React m_react;
    QTimer* m_timer;
    bool m_changed = false;

    double m_cpu = 0;
    QList<double> m_cpuHistory;
    quint64 m_memoryUsed = 0;
    quint64 m_memoryTotal = 0;
    qint64 m_diskFree = 0;
    qint64 m_diskTotal = 0;
    double m_downloadRate = 0;
    double m_uploadRate = 0;
    std::optional<BatteryInfo> m_battery;
    double m_uptime = 0;

    std::optional<SystemReaders::CpuTicks> m_previousCpu;
    std::optional<NetBaseline> m_previousNet;
    // Whether memory was tight at the last pass; none until a pass after start() could tell.
    std::optional<bool> m_memoryTight;
    int m_hotSamples = 0;
    // Monotonic milliseconds; none for "never".
    std::optional<qint64> m_lastHotReactionMs;
    std::optional<qint64> m_lastMemoryReactionMs;
    bool m_batteryLowNotified = false;
};
