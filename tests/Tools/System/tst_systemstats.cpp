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
        QDir().mkpath(tree.root() + QStringLiteral("/sys/class/net"));
    }

    // One timer tick, 2 s after the last.
    void pass()
    {
        clock.advance(SystemStats::sampleIntervalMs);
        stats.sample();
    }

    // Adds one pass's worth of ticks at the given load.
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

struct TicksRow
{
    QList<std::pair<quint64, quint64>> ticks; // busy, idle per pass; the first lays the baseline
    QList<double> history;
};

struct NetRow
{
    // Interface → (rx, tx) per pass; an empty map with `unreadable` set stands for a failed read.
    QList<QMap<QString, std::pair<quint64, quint64>>> passes;
    QList<bool> unreadable;
    double download;
    double upload;
};

struct BatteryRow
{
    QMap<QString, SystemTree::Files> supplies;
    std::optional<BatteryInfo> battery;
    Events events;
};

struct ReactionRow
{
    QList<std::function<void(Sampler&)>> passes; // one change of the machine before start() and each pass
    Events events;
};

std::function<void(Sampler&)> power(int percent, const char* status, bool mains)
{
    return [=](Sampler& s) { s.tree.setBattery(percent, status, mains); };
}

std::function<void(Sampler&)> pressure(double some10, qint64 laterMs = 0)
{
    return [=](Sampler& s) {
        s.clock.advance(laterMs);
        s.tree.setPressure(some10);
    };
}

} // namespace

Q_DECLARE_METATYPE(TicksRow)
Q_DECLARE_METATYPE(NetRow)
Q_DECLARE_METATYPE(BatteryRow)
Q_DECLARE_METATYPE(ReactionRow)

namespace {

// Fake power-supply folders and what one pass reads from them.
void addBatteryRows()
{
    const SystemTree::Files mainsOff{{"type", "Mains"}, {"online", "0"}};
    const SystemTree::Files mainsOn{{"type", "Mains"}, {"online", "1"}};
    const SystemTree::Files mouse{
        {"type", "Battery"}, {"scope", "Device"}, {"capacity", "5"}, {"status", "Discharging"}};
    const auto bat = [](const char* capacity, const char* status, SystemTree::Files more = {}) {
        more.insert("type", "Battery\n");
        more.insert("capacity", capacity);
        more.insert("status", status);
        return more;
    };
    const auto info = [](int percent, bool charging, bool onAC, std::optional<int> minutes = {},
                         std::optional<int> cycles = {}, std::optional<int> health = {}) {
        return std::optional(BatteryInfo{percent, charging, onAC, minutes, cycles, health});
    };

    using Files = SystemTree::Files;
    const auto row = [](const char* name, const QMap<QString, Files>& supplies, std::optional<BatteryInfo> battery,
                        Events events = {}) {
        QTest::newRow(name) << BatteryRow{supplies, battery, events};
    };
    const auto only = [](const Files& battery) { return QMap<QString, Files>{{"BAT0", battery}}; };

    row("charging on the adapter", {{"AC", mainsOn}, {"BAT0", bat("40", "Charging", {{"time_to_empty_now", "600"}})}},
        info(40, true, true));
    row("full without an adapter entry", only(bat("100", "Full")), info(100, false, true));
    row("not charging on a USB adapter",
        {{"ucsi", {{"type", "USB"}, {"online", "1"}}}, {"BAT0", bat("80", "Not charging")}}, info(80, false, true));
    row("no battery", {{"AC", mainsOn}}, std::nullopt);
    row("a mouse's battery is not the computer's", {{"AC", mainsOff}, {"hidpp_battery_0", mouse}}, std::nullopt);
    row("the system battery beside a mouse",
        {{"AC", mainsOn}, {"BAT1", bat("55", "Charging", {{"scope", "System"}})}, {"hidpp_battery_0", mouse}},
        info(55, true, true));
    row("the first battery by name", {{"BAT0", bat("30", "Discharging")}, {"BAT1", bat("90", "Discharging")}},
        info(30, false, false));
    row("time to empty",
        only(bat("64", "Discharging", {{"time_to_empty_now", "11100"}, {"energy_now", "1"}, {"power_now", "1"}})),
        info(64, false, false, 185));
    row("energy over power", only(bat("50", "Discharging", {{"energy_now", "30000000"}, {"power_now", "-9000000"}})),
        info(50, false, false, 200));
    row("charge over current without power",
        only(bat("50", "Discharging",
                 {{"energy_now", "1"}, {"power_now", "0"}, {"charge_now", "2000000"}, {"current_now", "1000000"}})),
        info(50, false, false, 120));
    row("less than a minute left", only(bat("50", "Discharging", {{"energy_now", "100"}, {"power_now", "10000"}})),
        info(50, false, false));
    row("cycles and health, energy first",
        only(bat("70", "Charging",
                 {{"cycle_count", "212"},
                  {"energy_full", "45250000"},
                  {"energy_full_design", "50000000"},
                  {"charge_full", "1"},
                  {"charge_full_design", "2"}})),
        info(70, true, true, {}, 212, 91));
    row("cycle count 0 and health from charge, clamped",
        only(bat("70", "Full", {{"cycle_count", "0"}, {"charge_full", "5200000"}, {"charge_full_design", "5000000"}})),
        info(70, false, true, {}, {}, 100));
    row("no design capacity", only(bat("70", "Full", {{"energy_full", "5"}, {"energy_full_design", "0"}})),
        info(70, false, true));
    row("low on battery at launch", {{"AC", mainsOff}, {"BAT0", bat("15", "Discharging")}}, info(15, false, false),
        {Kind::batteryLow});
    row("launching on the adapter", {{"AC", mainsOn}, {"BAT0", bat("5", "Charging")}}, info(5, true, true));
}

} // namespace

class TestSystemStats final : public QObject
{
    Q_OBJECT

private slots:
    void processorShare_data()
    {
        QTest::addColumn<TicksRow>("row");
        QTest::newRow("first pass only lays the baseline") << TicksRow{{{100, 100}}, {}};
        QTest::newRow("share of the elapsed ticks") << TicksRow{{{100, 100}, {175, 125}, {175, 225}}, {0.75, 0}};
        QTest::newRow("no ticks elapsed") << TicksRow{{{100, 100}, {100, 100}}, {}};
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

    void historyKeepsTheLastForty()
    {
        Sampler s;
        for (int i = 0; i <= SystemStats::historyLength + 1; ++i) {
            s.tree.setTicks(quint64(i * i), quint64(1000 * i));
            s.pass();
        }
        const QList<double> history = s.stats.cpuHistory();
        QCOMPARE(history.size(), SystemStats::historyLength);
        QCOMPARE(history.last(), double(2 * SystemStats::historyLength + 1) / (2 * SystemStats::historyLength + 1001));
        QCOMPARE(history.first(), 3.0 / 1003);
    }

    void networkRates_data()
    {
        QTest::addColumn<NetRow>("row");
        using P = std::pair<quint64, quint64>;
        const QMap<QString, P> start{{"eth0", P{1000, 100}}, {"wlan0", P{5000, 500}}};
        const QMap<QString, P> next{{"eth0", P{3000, 300}}, {"wlan0", P{9000, 900}}};
        QTest::newRow("summed over interfaces") << NetRow{{start, next}, {}, 3000, 300};
        QTest::newRow("an interface appearing is not counted")
            << NetRow{{{{"eth0", P{1000, 100}}}, next}, {}, 1000, 100};
        QTest::newRow("an interface vanishing leaves the others")
            << NetRow{{start, {{"eth0", P{3000, 300}}}}, {}, 1000, 100};
        QTest::newRow("a counter going down keeps the rates")
            << NetRow{{start, next, {{"eth0", P{5000, 500}}, {"wlan0", P{10, 900}}}}, {}, 3000, 300};
        QTest::newRow("the baseline after a counter went down")
            << NetRow{{start,
                       next,
                       {{"eth0", P{5000, 500}}, {"wlan0", P{10, 900}}},
                       {{"eth0", P{5400, 580}}, {"wlan0", P{30, 900}}}},
                      {},
                      210,
                      40};
        QTest::newRow("a failed read keeps rates and baseline") << NetRow{
            {start, next, {}, {{"eth0", P{7000, 500}}, {"wlan0", P{13000, 1300}}}}, {false, false, true}, 2000, 150};
        QTest::newRow("a virtual interface never counts")
            << NetRow{{{{"eth0", P{0, 0}}, {"lo", P{0, 0}}}, {{"eth0", P{0, 0}}, {"lo", P{90000, 90000}}}}, {}, 0, 0};
    }

    void networkRates()
    {
        QFETCH(NetRow, row);
        Sampler s;
        for (qsizetype i = 0; i < row.passes.size(); ++i) {
            s.tree.remove(QStringLiteral("sys/class/net"));
            if (!row.unreadable.value(i))
                QDir().mkpath(s.tree.root() + QStringLiteral("/sys/class/net"));
            for (auto it = row.passes.at(i).cbegin(); it != row.passes.at(i).cend(); ++it)
                s.tree.setInterface(it.key(), it->first, it->second, it.key() != u"lo");
            if (row.unreadable.value(i))
                s.tree.remove(QStringLiteral("sys/class/net"));
            s.pass();
        }
        QCOMPARE(s.stats.downloadRate(), row.download);
        QCOMPARE(s.stats.uploadRate(), row.upload);
    }

    void battery_data()
    {
        QTest::addColumn<BatteryRow>("row");
        addBatteryRows();
    }

    void battery()
    {
        QFETCH(BatteryRow, row);
        Sampler s;
        for (auto it = row.supplies.cbegin(); it != row.supplies.cend(); ++it)
            s.tree.writeAll(QStringLiteral("sys/class/power_supply/") + it.key(), *it);
        s.stats.start();
        s.stats.stop();
        QCOMPARE(s.stats.battery(), row.battery);
        QCOMPARE(s.events, row.events);
    }

    void reactions_data()
    {
        QTest::addColumn<ReactionRow>("row");
        const auto load = [](double share) { return [share](Sampler& s) { s.load(share); }; };
        const auto repeat = [](int times, std::function<void(Sampler&)> step) {
            return QList<std::function<void(Sampler&)>>(times, step);
        };
        const auto idle = [](qint64 ms) { return [ms](Sampler& s) { s.clock.advance(ms); }; };

        // The first change comes before start(), whose pass lays the baselines.
        QTest::newRow("fourteen hot samples") << ReactionRow{repeat(15, load(0.9)), {}};
        QTest::newRow("the fifteenth is hot") << ReactionRow{repeat(16, load(0.9)), {Kind::cpuHot}};
        QTest::newRow("a sample at the limit starts the count again")
            << ReactionRow{repeat(10, load(0.9)) + repeat(1, load(0.85)) + repeat(14, load(0.9)), {}};
        QTest::newRow("lasting load repeats only after five minutes")
            << ReactionRow{repeat(16 + 150, load(0.95)) + repeat(1, load(0.95)), {Kind::cpuHot, Kind::cpuHot}};
        QTest::newRow("not at five minutes") << ReactionRow{repeat(16 + 150, load(0.95)), {Kind::cpuHot}};

        QTest::newRow("pressure rising") << ReactionRow{{pressure(2), pressure(12), pressure(30)},
                                                        {Kind::memoryPressure}};
        QTest::newRow("already tight at start") << ReactionRow{{pressure(12), pressure(40)}, {}};
        QTest::newRow("a second rise within ten minutes")
            << ReactionRow{{pressure(2), pressure(10), pressure(9), pressure(10, 596'000)}, {Kind::memoryPressure}};
        QTest::newRow("a second rise after ten minutes")
            << ReactionRow{{pressure(2), pressure(10), pressure(9), pressure(10, 598'001)},
                           {Kind::memoryPressure, Kind::memoryPressure}};
        QTest::newRow("available memory running out without pressure figures")
            << ReactionRow{{[](Sampler& s) { s.tree.setMemory(1'000'000, 50'000); },
                            [](Sampler& s) { s.tree.setMemory(1'000'000, 49'999); }},
                           {Kind::memoryPressure}};

        QTest::newRow("discharging to 15 %")
            << ReactionRow{{power(17, "Discharging", false), power(16, "Discharging", false),
                            power(15, "Discharging", false), power(12, "Discharging", false)},
                           {Kind::batteryLow}};
        QTest::newRow("16 % re-arms") << ReactionRow{
            {power(15, "Discharging", false), power(16, "Discharging", false), power(15, "Discharging", false)},
            {Kind::batteryLow, Kind::batteryLow}};
        QTest::newRow("the adapter re-arms") << ReactionRow{
            {power(10, "Discharging", false), power(10, "Charging", true), power(10, "Discharging", false)},
            {Kind::batteryLow, Kind::batteryCharging, Kind::batteryLow}};
        QTest::newRow("plugging in, not charging")
            << ReactionRow{{power(100, "Discharging", false), power(100, "Full", true), power(100, "Full", true)},
                           {Kind::batteryCharging}};
        QTest::newRow("a battery appearing on the adapter") << ReactionRow{{idle(0), power(50, "Charging", true)}, {}};
    }

    void reactions()
    {
        QFETCH(ReactionRow, row);
        Sampler s;
        row.passes.first()(s);
        s.stats.start();
        s.stats.stop();
        for (qsizetype i = 1; i < row.passes.size(); ++i) {
            row.passes.at(i)(s);
            s.pass();
        }
        QCOMPARE(s.events, row.events);
    }

    void quietMachineSignalsNothing()
    {
        Sampler s;
        s.tree.setBattery(50, "Discharging", false);
        s.stats.start();
        QVERIFY(s.stats.isRunning());
        QCOMPARE(s.stats.battery()->percent, 50);
        QCOMPARE(s.stats.memoryFraction(), 0.5);
        QCOMPARE(s.stats.uptime(), 12345.67);
        QVERIFY(s.stats.diskTotal() > 0);
        // The disk's free space may move under other programs, so the figures that cannot are watched.
        QSignalSpy battery(&s.stats, &SystemStats::batteryChanged);
        int figures = 0;
        const auto count = [&figures] { ++figures; };
        connect(&s.stats, &SystemStats::cpuHistoryChanged, this, count);
        connect(&s.stats, &SystemStats::memoryUsedChanged, this, count);
        connect(&s.stats, &SystemStats::uptimeChanged, this, count);
        s.pass();
        QCOMPARE(battery.size() + figures, 0);
        s.tree.setBattery(49, "Discharging", false);
        s.pass();
        QCOMPARE(battery.size(), 1);
        QCOMPARE(figures, 0);
        s.stats.stop();
        QVERIFY(!s.stats.isRunning());
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
