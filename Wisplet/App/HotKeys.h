#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class AppEvents;
class AppSettings;
class GlobalKeyGrabber;
class ToolRegistry;
class WispState;

// One Ctrl+Alt combination, grabbed from construction until destruction. A failed grab leaves the others
// working and is kept as the text the settings window shows.
class HotKey final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HotKey)

public:
    HotKey(GlobalKeyGrabber& grabber, quint32 keysym, quint32 id, std::function<void()> action,
           QObject* parent = nullptr);
    ~HotKey() override;

    // The names the user can choose for the main key, with their X keysyms.
    static const QHash<QString, quint32>& keySyms();
    // The same names in the order the settings offer them.
    static const QStringList& keyNames();
    // Any name outside the table means M.
    static quint32 keySym(const QString& name);
    static QString errorText(int failure);

    quint32 id() const { return m_id; }
    quint32 keysym() const { return m_keysym; }
    std::optional<QString> registrationError() const { return m_registrationError; }

private:
    // The grabber may be a service that goes first at exit.
    QPointer<GlobalKeyGrabber> m_grabber;
    quint32 m_keysym;
    quint32 m_id;
    std::function<void()> m_action;
    std::optional<QString> m_registrationError;
};

// The program's six hot keys, all with Ctrl+Alt: the chosen key toggles the pin, 1 to 4 open the
// favourite tools and K the switcher. Main thread only.
class HotKeys final
{
public:
    struct Services
    {
        GlobalKeyGrabber& grabber;
        AppSettings& settings;
        WispState& wisp;
        ToolRegistry& tools;
        AppEvents& events;
        // The panel shows where the keyboard is from now on: the user reached it with a key.
        std::function<void()> showKeyboardFocus;
    };

    explicit HotKeys(const Services& services);
    ~HotKeys();
    Q_DISABLE_COPY_MOVE(HotKeys)

    // Releases the whole set before anything is grabbed again, then, when enabled, grabs the chosen key,
    // the four digits and K in that order. AppSettings::shortcutError becomes the first failure, or none
    // (also when disabled). Meant for every assignment of hotkeyEnabled or shortcutKey, equal or not.
    void registerHotKeys(bool enabled, const QString& key);

    const HotKey* hotKey() const { return m_hotKey.get(); }
    // The digits, then K.
    const std::vector<std::unique_ptr<HotKey>>& toolKeys() const { return m_toolKeys; }

    void toggleFromHotKey();
    // Opens the favourite at the index; nothing when there are not that many.
    void openToolFromHotKey(int index);
    void openSwitcherFromHotKey();

private:
    GlobalKeyGrabber& m_grabber;
    AppSettings& m_settings;
    WispState& m_wisp;
    ToolRegistry& m_tools;
    AppEvents& m_events;
    std::function<void()> m_showKeyboardFocus;

    std::unique_ptr<HotKey> m_hotKey;
    std::vector<std::unique_ptr<HotKey>> m_toolKeys;
};
