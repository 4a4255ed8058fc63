#pragma once

#include "Wisplet/Base/Keychain.h"
#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Tools/Weather/WeatherTool.h"
#include "tests/support/FakeClock.h"
#include "tests/support/FakeSecretStore.h"

// A weather store over in-memory fakes and the transport given.
struct WeatherFixture
{
    explicit WeatherFixture(HttpTransport& transport,
                            WeatherEndpoints where = {"https://forecast.test/v1/forecast",
                                                      "https://search.test/v1/search"})
        : client(transport, {})
        , addresses(std::move(where))
    { }

    std::unique_ptr<WeatherTool> make()
    {
        return std::make_unique<WeatherTool>(WeatherTool::Services{defaults, keychain, clock, client}, addresses,
                                             QTimeZone("Pacific/Auckland"));
    }

    Defaults defaults{QString()};
    FakeSecretStore secrets;
    Keychain keychain{secrets};
    FakeClock clock;
    IntegrationClient client;
    WeatherEndpoints addresses;
};
