#pragma once

#include <QStringList>
#include <QWidget>

#include <memory>

class AppSettings;
class Clock;
class Notifier;
class QCheckBox;
class QComboBox;
class QLabel;
class QuietControls;
class WispState;

// The General page: start at login, the panel shortcut, presentation and quiet modes, motion,
// notifications and the screen Wisp is on. Every control shows its store and follows it; only the
// user's own edits write.
class GeneralSettingsView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GeneralSettingsView)

public:
    struct Services
    {
        AppSettings& settings;
        Notifier& notifier;
        WispState& wisp;
        Clock& clock;
    };

    // shortcutKeys: the names of the keys the panel shortcut may use, in the order offered.
    GeneralSettingsView(const Services& services, const QStringList& shortcutKeys, QWidget* parent = nullptr);
    ~GeneralSettingsView() override;

private:
    void build(const QStringList& shortcutKeys);
    void refresh();
    void editNotifications(bool on);

    AppSettings& m_settings;
    Notifier& m_notifier;
    WispState& m_wisp;
    std::unique_ptr<QuietControls> m_quiet;

    QCheckBox* m_launchAtLogin = nullptr;
    QLabel* m_launchAtLoginError = nullptr;
    QCheckBox* m_hotkey = nullptr;
    QComboBox* m_shortcutKey = nullptr;
    QLabel* m_shortcutError = nullptr;
    QCheckBox* m_presentation = nullptr;
    QCheckBox* m_reducedMotion = nullptr;
    QCheckBox* m_notifications = nullptr;
    QCheckBox* m_sounds = nullptr;
    QLabel* m_notifierError = nullptr;
    QComboBox* m_displayMode = nullptr;
    QCheckBox* m_hideInFullscreen = nullptr;
};
