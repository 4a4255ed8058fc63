#include "WeatherShots.h"

#include "ToolArea.h"

#include "Wisplet/Base/Keychain.h"
#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Tools/Weather/WeatherTool.h"
#include "Wisplet/Tools/Weather/WeatherView.h"
#include "tests/support/FakeClock.h"
#include "tests/support/FakeSecretStore.h"
#include "tests/support/HeldHttpTransport.h"

#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

namespace {

const QByteArray places = R"({"results": [
    {"name": "Lisbon", "admin1": "Lisbon", "country": "Portugal", "latitude": 38.72, "longitude": -9.13},
    {"name": "Lisbon", "admin1": "Maine", "country": "United States", "latitude": 44.03, "longitude": -70.1},
    {"name": "Lisbon", "admin1": "Ohio", "country": "United States", "latitude": 40.77, "longitude": -80.77}]})";

const QByteArray forecast = R"({"timezone": "Europe/Lisbon",
    "current": {"temperature_2m": 18.6, "apparent_temperature": 17.2, "relative_humidity_2m": 64,
                "wind_speed_10m": 14.8, "weather_code": 2},
    "hourly": {"time": ["2026-03-01T09:00", "2026-03-01T10:00", "2026-03-01T11:00", "2026-03-01T12:00",
                        "2026-03-01T13:00", "2026-03-01T14:00", "2026-03-01T15:00", "2026-03-01T16:00"],
               "temperature_2m": [15.2, 16.4, 17.9, 18.6, 19.1, 19.4, 18.8, 17.5],
               "weather_code": [1, 2, 2, 3, 61, 80, 95, 0]},
    "daily": {"time": ["2026-03-01", "2026-03-02", "2026-03-03", "2026-03-04", "2026-03-05", "2026-03-06",
                       "2026-03-07"],
              "temperature_2m_max": [19.4, 21.9, 17.2, 15.0, 16.8, 18.3, 20.1],
              "temperature_2m_min": [11.0, 12.2, 10.4, 8.9, 9.5, 10.1, 12.6],
              "weather_code": [2, 0, 61, 71, 45, 95, 3]}})";

} // namespace

bool weatherShots(const QDir& folder)
{
    Defaults defaults{QString()};
    FakeSecretStore secrets;
    Keychain keychain(secrets);
    FakeClock clock(QDateTime(QDate(2026, 3, 1), QTime(9, 30), Qt::UTC));
    HeldHttpTransport transport;
    IntegrationClient client(transport, {});
    WeatherTool tool({defaults, keychain, clock, client}, {"https://f.test/v1/forecast", "https://s.test/v1/search"});

    ToolArea frame({680, 240});
    auto* view = new WeatherView(tool);
    frame.setPage(view);

    bool ok = frame.shoot(folder, QStringLiteral("weather-no-key.png"));
    tool.setApiKey(QStringLiteral("key"));
    auto* field = view->findChild<QLineEdit*>();
    field->setText(QStringLiteral("Lisbon"));
    QTest::keyClick(field, Qt::Key_Return);
    ok = frame.shoot(folder, QStringLiteral("weather-searching.png")) && ok;
    transport.finish(qsizetype(transport.calls.size()) - 1, places);
    ok = frame.shoot(folder, QStringLiteral("weather-picker.png")) && ok;

    tool.start();
    tool.setPlace(WeatherPlace{QStringLiteral("Lisbon"), QStringLiteral("Lisbon, Portugal"), 38.72, -9.13});
    ok = frame.shoot(folder, QStringLiteral("weather-loading.png")) && ok;
    transport.finish(qsizetype(transport.calls.size()) - 1, forecast);
    ok = frame.shoot(folder, QStringLiteral("weather-hours.png")) && ok;
    for (QToolButton* button : view->findChildren<QToolButton*>()) {
        if (button->text() == QLatin1String("Seven days"))
            button->click();
    }
    ok = frame.shoot(folder, QStringLiteral("weather-week.png")) && ok;
    tool.refresh();
    transport.finish(qsizetype(transport.calls.size()) - 1, HttpResponse{HttpResponse::Failure::none, 401, "{}"});
    ok = frame.shoot(folder, QStringLiteral("weather-error.png")) && ok;
    return ok;
}
