#pragma once

#include "Wisplet/Base/Stepper.h"
#include "Wisplet/Tools/Weather/WeatherTool.h"

#include <QWidget>

#include <functional>

class ClipboardManager;
class FocusEngine;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QVBoxLayout;
class SettingsForm;
class ToolOrderList;
class ToolRegistry;

// The settings window's Tools page: which tools the panel shows and in which order, and the options of the
// focus, weather and clipboard tools. Every control shows its store's value, follows its changes and writes
// only on the user's own edit, so opening the page changes nothing.
class ToolsSettingsView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ToolsSettingsView)

public:
    // Whether a clicked clipboard entry can be pasted into the front app in this session (an X11 session
    // with XTest); asked again whenever the paste option changes.
    using PastePermitted = std::function<bool()>;

    ToolsSettingsView(ToolRegistry& registry, FocusEngine& focus, ClipboardManager& clipboard, WeatherTool& weather,
                      PastePermitted pastePermitted, QWidget* parent = nullptr);

private:
    void addTools(SettingsForm& form);
    void addFocus(SettingsForm& form);
    void addWeather(SettingsForm& form);
    void addClipboard(SettingsForm& form);
    void addExcludedApps(QVBoxLayout* section);

    // A stepper named for tests, showing `value`; `edited` gets each press.
    Stepper* addStepper(QVBoxLayout* section, const QString& name, Stepper::Range range, Stepper::LabelText label,
                        double value, const std::function<void(double)>& edited);

    void showTools();
    void showWeatherKeyState(WeatherTool::KeyState state);
    void showWeatherError(const QString& text);
    void showPasteWarning();
    // Leaves the user's own text alone while it already says the same ids.
    void showExcludedApps(const QStringList& ids);
    void excludedAppsEdited();
    void fitExcludedApps();

    ToolRegistry& m_registry;
    FocusEngine& m_focus;
    ClipboardManager& m_clipboard;
    WeatherTool& m_weather;
    PastePermitted m_pastePermitted;

    ToolOrderList* m_tools = nullptr;
    QLineEdit* m_weatherKey = nullptr;
    QLabel* m_weatherError = nullptr;
    QLabel* m_pasteWarning = nullptr;
    QPlainTextEdit* m_excludedApps = nullptr;
};
