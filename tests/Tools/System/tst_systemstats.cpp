#include "Wisplet/Tools/System/SystemStats.h"
#include "tests/Tools/System/SystemTree.h"
#include "tests/support/FakeClock.h"
#include "tests/support/TestMain.h"

#include <QSignalSpy>

using Kind = WispEvent::Kind;
using Events = QList<Kind>;

namespace {

// A sampler over a fake machine that records what it tells Wisp.
struct Sampler
{
    Sampler()
    {
        tree.setTicks(0, 0);
        tree.setMemory(8'000'000, 4'000'000);
        tree.write(QStringLiteral("proc/uptime"), "12345.67 40000.00\n");
        tree.mkdir(QStringLiteral("sys/class/net"));
    }

    // One timer tick, 2 s after the last.
    void pass()
    {
        clock.advance(SystemStats::sampleIntervalMs);
        stats.sample();
    }

    // One pass's worth of ticks at the given load.
    void load(double share)
    {
        busy += quint64(share * 1000);
        idle += 1000 - quint64(share * 1000);
        tree.setTicks(busy, idle);
    }

    SystemTree tree;
    FakeClock clock;
    Events events;
    quint64 busy = 0;
    quint64 idle = 0;
    SystemStats stats{tree.root(), clock, [this](const WispEvent& event) { events << event.kind; }};
};

using Step = std::function<void(Sampler&)>;
using Counters = QMap<QString, std::pair<quint64, quint64>>; // interface → rx, tx

struct TicksRow
{
    QList<std::pair<quint64, quint64>> ticks; // busy, idle per pass; the first lays the baseline
    QList<double> history;
};

struct NetRow
{
    QList<std::optional<Counters>> passes; // none: the interface list cannot be read
    double download;
    double upload;
};

struct BatteryRow
{
    QStringList supplies;
    std::optional<BatteryInfo> battery;
    Events events;
};

struct ReactionRow
{
    QList<Step> steps; // a change of the machine before start() and before each pass after it
    Events events;
};

Step power(int percent, const char* status, bool mains)
{
    return [=](Sampler& s) { s.tree.setBattery(percent, status, mains); };
}

Step pressure(double some10, qint64 laterMs = 0)
{
    return [=](Sampler& s) {
        s.clock.advance(laterMs);
        s.tree.setPressure(some10);
    };
}

Step load(double share)
{
    return [share](Sampler& s) { s.load(share); };
}

QList<Step> repeat(int times, const Step& step)
{
    return QList<Step>(times, step);
}

std::optional<BatteryInfo> info(int percent, bool charging, bool onAC, std::optional<int> minutes = {},
                                std::optional<int> cycles = {}, std::optional<int> health = {})
{
    return BatteryInfo{percent, charging, onAC, minutes, cycles, health};
}

} // namespace

Q_DECLARE_METATYPE(TicksRow)
Q_DECLARE_METATYPE(NetRow)
Q_DECLARE_METATYPE(BatteryRow)
Q_DECLARE_METATYPE(ReactionRow)

class TestSystemStats final : public QObject
{
    Q_OBJECT

private slots:
    void processorShare_data()
    {
        QTest::addColumn<TicksRow>("row");
        QTest::newRow("first pass only lays the baseline") << TicksRow{{{100, 100}}, {}};
        QTest::newRow("share of the elapsed ticks") << TicksRow{{{100, 100}, {175, 125}, {175, 225}}, {0.75, 0}};
        QTest::newRow("busy going down") << TicksRow{{{100, 100}, {90, 300}, {140, 350}}, {0.5}};
    }

    void processorShare()
    {
        QFETCH(TicksRow, row);
        Sampler s;
        for (const auto& [busy, idle] : row.ticks) {
            s.tree.setTicks(busy, idle);
            s.pass();
        }
        QCOMPARE(s.stats.cpuHistory(), row.history);
        QCOMPARE(s.stats.cpu(), row.history.value(row.history.size() - 1, 0));
    }

    void networkRates_data()
    {
        QTest::addColumn<NetRow>("row");
        const Counters start{{"eth0", {1000, 100}}, {"wlan0", {5000, 500}}};
        const Counters next{{"eth0", {3000, 300}}, {"wlan0", {9000, 900}}};
        const Counters wlanReset{{"eth0", {5000, 500}}, {"wlan0", {10, 900}}};
        QTest::newRow("summed over interfaces") << NetRow{{start, next}, 3000, 300};
        QTest::newRow("an interface appearing") << NetRow{{Counters{{"eth0", {1000, 100}}}, next}, 1000, 100};
        QTest::newRow("a counter going down keeps the rates") << NetRow{{start, next, wlanReset}, 3000, 300};
        QTest::newRow("and lays the baseline")
            << NetRow{{start, next, wlanReset, Counters{{"eth0", {5400, 580}}, {"wlan0", {30, 900}}}}, 210, 40};
        QTest::newRow("a failed read keeps rates and baseline") << NetRow{
            {start, next, std::nullopt, Counters{{"eth0", {7000, 500}}, {"wlan0", {13000, 1300}}}}, 2000, 150};
        QTest::newRow("loopback never counts") << NetRow{
            {Counters{{"eth0", {0, 0}}, {"lo", {0, 0}}}, Counters{{"eth0", {0, 0}}, {"lo", {9000, 9000}}}}, 0, 0};
    }

    void networkRates()
    {
        QFETCH(NetRow, row);
        Sampler s;
        for (const std::optional<Counters>& counters : row.passes) {
            s.tree.remove(QStringLiteral("sys/class/net"));
            for (auto it = counters ? counters->cbegin() : Counters::const_iterator();
                 counters && it != counters->cend(); ++it)
                s.tree.setInterface(it.key(), it->first, it->second, it.key() != u"lo");
            s.pass();
        }
        QCOMPARE(s.stats.downloadRate(), row.download);
        QCOMPARE(s.stats.uploadRate(), row.upload);
    }

    void battery_data()
    {
        QTest::addColumn<BatteryRow>("row");
        const QString mouse = QStringLiteral("hidpp type=Battery scope=Device capacity=5 status=Discharging");
        const auto row = [](const char* name, const QStringList& supplies, std::optional<BatteryInfo> battery,
                            Events events = {}) {
            QTest::newRow(name) << BatteryRow{supplies, battery, events};
        };
        row("charging on the adapter",
            {"AC type=Mains online=1", "BAT0 type=Battery capacity=40 status=Charging time_to_empty_now=600"},
            info(40, true, true));
        row("full without an adapter", {"BAT0 type=Battery capacity=100 status=Full"}, info(100, false, true));
        row("not charging on USB power",
            {"ucsi type=USB online=1", "BAT0 type=Battery capacity=80 status=Not+charging"}, info(80, false, true));
        row("a mouse is not the computer's battery", {"AC type=Mains online=0", mouse}, std::nullopt);
        row("time to empty",
            {"BAT0 type=Battery capacity=64 status=Discharging time_to_empty_now=11100 energy_now=1 power_now=1"},
            info(64, false, false, 185));
        row("energy over a negative power",
            {"BAT0 type=Battery capacity=50 status=Discharging energy_now=30000000 power_now=-9000000"},
            info(50, false, false, 200));
        row("charge over current without power",
            {"BAT0 type=Battery capacity=50 status=Discharging power_now=0 charge_now=2000000 current_now=1000000"},
            info(50, false, false, 120));
        row("under a minute", {"BAT0 type=Battery capacity=5 status=Discharging energy_now=1 power_now=100"},
            info(5, false, false), {Kind::batteryLow});
        row("cycles and health from energy",
            {"BAT0 type=Battery capacity=70 status=Charging cycle_count=212 energy_full=45250000 "
             "energy_full_design=50000000 charge_full=1 charge_full_design=2"},
            info(70, true, true, {}, 212, 91));
        row("no cycles, health from charge, clamped",
            {"BAT0 type=Battery capacity=70 status=Full cycle_count=0 charge_full=52 charge_full_design=50"},
            info(70, false, true, {}, {}, 100));
    }

    void battery()
    {
        QFETCH(BatteryRow, row);
        Sampler s;
        for (const QString& supply : row.supplies)
            s.tree.setSupply(supply);
        s.stats.start();
        QCOMPARE(s.stats.battery(), row.battery);
        QCOMPARE(s.events, row.events);
    }

    void reactions_data()
    {
        QTest::addColumn<ReactionRow>("row");
        QTest::newRow("the fifteenth is hot") << ReactionRow{repeat(16, load(0.9)), {Kind::cpuHot}};
        QTest::newRow("a sample at the limit counts again")
            << ReactionRow{repeat(10, load(0.9)) + repeat(1, load(0.85)) + repeat(14, load(0.9)), {}};
        QTest::newRow("not again at five minutes") << ReactionRow{repeat(16 + 150, load(0.95)), {Kind::cpuHot}};

        QTest::newRow("pressure rising") << ReactionRow{{pressure(2), pressure(12), pressure(30)},
                                                        {Kind::memoryPressure}};
        QTest::newRow("already tight at start") << ReactionRow{{pressure(12), pressure(40)}, {}};
        QTest::newRow("a second rise after ten minutes")
            << ReactionRow{{pressure(2), pressure(10), pressure(9), pressure(10, 596'001)},
                           {Kind::memoryPressure, Kind::memoryPressure}};
        QTest::newRow("available memory running out without pressure figures")
            << ReactionRow{{[](Sampler& s) { s.tree.setMemory(1'000'000, 50'000); },
                            [](Sampler& s) { s.tree.setMemory(1'000'000, 49'999); }},
                           {Kind::memoryPressure}};

        QTest::newRow("discharging to 15 %") << ReactionRow{
            {power(17, "Discharging", false), power(15, "Discharging", false), power(12, "Discharging", false)},
            {Kind::batteryLow}};
        QTest::newRow("16 % re-arms") << ReactionRow{
            {power(15, "Discharging", false), power(16, "Discharging", false), power(15, "Discharging", false)},
            {Kind::batteryLow, Kind::batteryLow}};
        QTest::newRow("the adapter re-arms") << ReactionRow{
            {power(10, "Discharging", false), power(10, "Charging", true), power(10, "Discharging", false)},
            {Kind::batteryLow, Kind::batteryCharging, Kind::batteryLow}};
        QTest::newRow("plugged in, not charging, once")
            << ReactionRow{{power(100, "Discharging", false), power(100, "Full", true), power(100, "Full", true)},
                           {Kind::batteryCharging}};
        QTest::newRow("a battery appearing on the adapter")
            << ReactionRow{{[](Sampler&) {}, power(50, "Charging", true)}, {}};
    }

    void reactions()
    {
        QFETCH(ReactionRow, row);
        Sampler s;
        row.steps.first()(s);
        s.stats.start();
        for (const Step& step : row.steps.mid(1)) {
            step(s);
            s.pass();
        }
        QCOMPARE(s.events, row.events);
    }

    void quietPassSignalsNothing()
    {
        Sampler s;
        s.tree.setBattery(50, "Discharging", false);
        s.stats.start();
        QCOMPARE(s.stats.memoryFraction(), 0.5);
        QCOMPARE(s.stats.uptime(), 12345.67);
        // Free disk space may move under other programs, so only figures that cannot are watched.
        QSignalSpy battery(&s.stats, &SystemStats::batteryChanged);
        QSignalSpy history(&s.stats, &SystemStats::cpuHistoryChanged);
        QSignalSpy uptime(&s.stats, &SystemStats::uptimeChanged);
        s.pass();
        s.tree.setBattery(49, "Discharging", false);
        s.pass();
        QCOMPARE(battery.size() + history.size() + uptime.size(), 1);
    }

    void restartLaysNewBaselines()
    {
        Sampler s;
        s.tree.setTicks(100, 100);
        s.tree.setInterface(QStringLiteral("eth0"), 1000, 0);
        s.tree.setPressure(0);
        s.stats.start();
        s.tree.setTicks(200, 100);
        s.tree.setInterface(QStringLiteral("eth0"), 3000, 0);
        s.pass();
        s.stats.stop();
        QVERIFY(!s.stats.isRunning());
        s.tree.setTicks(200, 200);
        s.tree.setInterface(QStringLiteral("eth0"), 9000, 0);
        s.tree.setPressure(50);
        s.clock.advance(60'000);
        s.stats.start();
        QCOMPARE(s.stats.cpuHistory(), QList<double>{1.0});
        QCOMPARE(s.stats.downloadRate(), 1000.0);
        QCOMPARE(s.events, Events{});
    }
};

WISPLET_TEST_MAIN(TestSystemStats)
#include "tst_systemstats.moc"
