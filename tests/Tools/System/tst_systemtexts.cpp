#include "Wisplet/Platform/BatteryReader.h"
#include "Wisplet/Tools/System/SystemTexts.h"
#include "tests/support/TestMain.h"

namespace {

struct BytesRow
{
    double bytes;
    bool perSecond;
    QString text;
};

struct UptimeRow
{
    double seconds;
    QString text;
};

struct BatteryRow
{
    BatteryInfo battery;
    QString symbol;
    QString text;
};

} // namespace

Q_DECLARE_METATYPE(BytesRow)
Q_DECLARE_METATYPE(UptimeRow)
Q_DECLARE_METATYPE(BatteryRow)

class TestSystemTexts final : public QObject
{
    Q_OBJECT

private slots:
    void bytes_data()
    {
        QTest::addColumn<BytesRow>("row");
        QTest::newRow("bytes truncate") << BytesRow{999.9, false, "999 B"};
        QTest::newRow("one decimal below 100") << BytesRow{1500, false, "1.5 KB"};
        QTest::newRow("whole above 100") << BytesRow{123'456, false, "123 KB"};
        QTest::newRow("decided before rounding") << BytesRow{99'990, false, "100.0 KB"};
        QTest::newRow("decimal units per second") << BytesRow{2048, true, "2.0 KB/s"};
        QTest::newRow("gigabytes") << BytesRow{16e9, false, "16.0 GB"};
        QTest::newRow("terabytes are the limit") << BytesRow{2.5e16, false, "25000 TB"};
        QTest::newRow("nothing") << BytesRow{0, true, "0 B/s"};
    }

    void bytes()
    {
        QFETCH(BytesRow, row);
        QCOMPARE(formatBytes(row.bytes, row.perSecond), row.text);
    }

    void uptime_data()
    {
        QTest::addColumn<UptimeRow>("row");
        QTest::newRow("minutes") << UptimeRow{3599.9, "59m"};
        QTest::newRow("an hour") << UptimeRow{3600, "1h 0m"};
        QTest::newRow("hours and minutes") << UptimeRow{5 * 3600 + 7 * 60 + 59, "5h 7m"};
        QTest::newRow("a day") << UptimeRow{86'400, "1d 0h"};
        QTest::newRow("days and hours") << UptimeRow{90'061, "1d 1h"};
        QTest::newRow("just booted") << UptimeRow{12, "0m"};
    }

    void uptime()
    {
        QFETCH(UptimeRow, row);
        QCOMPARE(formatUptime(row.seconds), row.text);
    }

    void battery_data()
    {
        QTest::addColumn<BatteryRow>("row");
        const auto at = [](int percent, bool charging = false, bool onAC = false) {
            return BatteryInfo{percent, charging, onAC, {}, {}, {}};
        };
        BatteryInfo discharging = at(64);
        discharging.minutesLeft = 185;
        discharging.cycles = 212;
        discharging.healthPercent = 91;
        BatteryInfo lastHour = at(9);
        lastHour.minutesLeft = 59;
        BatteryInfo pluggedCharging = at(20, true, true);
        pluggedCharging.minutesLeft = 30;

        QTest::newRow("9 %") << BatteryRow{lastHour, "battery.0percent", "9% · 0h 59m left"};
        QTest::newRow("10 %") << BatteryRow{at(10), "battery.25percent", "10%"};
        QTest::newRow("35 %") << BatteryRow{at(35), "battery.50percent", "35%"};
        QTest::newRow("60 %") << BatteryRow{at(60), "battery.75percent", "60%"};
        QTest::newRow("84 %") << BatteryRow{at(84), "battery.75percent", "84%"};
        QTest::newRow("85 %") << BatteryRow{at(85), "battery.100percent", "85%"};
        QTest::newRow("every part") << BatteryRow{discharging, "battery.75percent",
                                                  "64% · 3h 5m left · 212 cycles · Capacity ≈91%"};
        QTest::newRow("charging at any level")
            << BatteryRow{pluggedCharging, "battery.100percent.bolt", "20% · charging"};
        QTest::newRow("on the adapter, not charging")
            << BatteryRow{at(80, false, true), "battery.75percent", "80% · plugged in"};
    }

    void battery()
    {
        QFETCH(BatteryRow, row);
        QCOMPARE(batterySymbol(row.battery), row.symbol);
        QCOMPARE(batteryText(row.battery), row.text);
    }
};

WISPLET_TEST_MAIN(TestSystemTexts)
#include "tst_systemtexts.moc"
