#include "Wisplet/Platform/BatteryReader.h"
#include "Wisplet/Tools/System/SystemTexts.h"
#include "tests/support/TestMain.h"

namespace {

BatteryInfo battery(int percent, bool charging = false, bool onAC = false, std::optional<int> minutes = {},
                    std::optional<int> cycles = {}, std::optional<int> health = {})
{
    return {percent, charging, onAC, minutes, cycles, health};
}

// The battery's symbol and text together.
QString shown(const BatteryInfo& info)
{
    return batterySymbol(info) + QStringLiteral(" | ") + batteryText(info);
}

} // namespace

class TestSystemTexts final : public QObject
{
    Q_OBJECT

private slots:
    void texts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const QString& text, const char* expected) {
            QTest::newRow(name) << text << QString::fromUtf8(expected);
        };
        row("bytes truncate", formatBytes(999.9, false), "999 B");
        row("one decimal below 100", formatBytes(1500, false), "1.5 KB");
        row("whole from 100", formatBytes(123'456, false), "123 KB");
        row("decimal decided before rounding", formatBytes(99'990, false), "100.0 KB");
        row("decimal units per second", formatBytes(2048, true), "2.0 KB/s");

        row("minutes", formatUptime(3599.9), "59m");
        row("an hour", formatUptime(3600), "1h 0m");
        row("days and hours", formatUptime(90'061), "1d 1h");

        row("9 %, last hour", shown(battery(9, false, false, 59)), "battery.0percent | 9% · 0h 59m left");
        row("every part", shown(battery(64, false, false, 185, 212, 91)),
            "battery.75percent | 64% · 3h 5m left · 212 cycles · Capacity ≈91%");
        row("charging at any level", shown(battery(20, true, true, 30)), "battery.100percent.bolt | 20% · charging");
        row("on the adapter, not charging", shown(battery(80, false, true)), "battery.75percent | 80% · plugged in");
    }

    void texts()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(text, expected);
    }
};

WISPLET_TEST_MAIN(TestSystemTexts)
#include "tst_systemtexts.moc"
