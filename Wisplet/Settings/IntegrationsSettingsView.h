#pragma once

#include <QWidget>

class IntegrationsHub;
class NowPlaying;
class Stepper;
class WeatherTool;

// The settings window's integrations page: a row per service by category, the business tool's refresh
// interval and the media and weather switches. It keeps nothing itself; every control writes through its store.
class IntegrationsSettingsView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(IntegrationsSettingsView)

public:
    IntegrationsSettingsView(IntegrationsHub& hub, NowPlaying& nowPlaying, WeatherTool& weather,
                             QWidget* parent = nullptr);

    // "Refresh every N min", N with its fraction dropped.
    static QString refreshLabel(double minutes);
};
