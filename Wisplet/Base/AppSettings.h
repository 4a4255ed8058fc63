#pragma once

#include "Wisplet/Base/Mood.h"

#include <QColor>
#include <QDateTime>
#include <QObject>
#include <QVariantMap>

#include <memory>
#include <optional>

class AppEvents;
class Clock;
class Defaults;
class LoginItem;
class ScheduledCall;
class Scheduler;

// Which screen the panel is drawn on.
enum class DisplayMode { notch, main, cursor };
// Which face is drawn.
enum class Skin { companion, classic, round, cat };
// The face's tint.
enum class Accent { white, mint, sunny, rose, sky, lavender };

inline constexpr std::array allDisplayModes{DisplayMode::notch, DisplayMode::main, DisplayMode::cursor};
inline constexpr std::array allSkins{Skin::companion, Skin::classic, Skin::round, Skin::cat};
inline constexpr std::array allAccents{Accent::white, Accent::mint, Accent::sunny,
                                       Accent::rose,  Accent::sky,  Accent::lavender};

QString rawValue(DisplayMode mode);
QString rawValue(Skin skin);
QString rawValue(Accent accent);
QColor accentColor(Accent accent);

// The user's choices for the companion, the panel, hot keys, quiet mode, notifications and start-up.
// Every assignment of a stored preference stores its key at once, also when the value is unchanged (the
// defaults then have nothing to write), and emits its signal and changed(). Loading never writes back. A
// value another program changed in the defaults' file is followed as soon as the defaults take it in.
class AppSettings final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppSettings)

public:
    // A quiet-mode timer never waits longer than this, so a far-off end, a suspend or a clock change
    // is noticed within the hour.
    static constexpr qint64 maxQuietTimerMs = 60 * 60 * 1000;

    AppSettings(Defaults& defaults, Clock& clock, Scheduler& scheduler, LoginItem& loginItem, AppEvents& events,
                QObject* parent = nullptr);
    ~AppSettings() override;

    static AppSettings& shared();

    FaceSize faceSize() const { return m_stored.faceSize; }
    Skin skin() const { return m_stored.skin; }
    Accent accent() const { return m_stored.accent; }
    bool onboarded() const { return m_stored.onboarded; }
    DisplayMode displayMode() const { return m_stored.displayMode; }
    bool hideInFullscreen() const { return m_stored.hideInFullscreen; }
    bool hotkeyEnabled() const { return m_stored.hotkeyEnabled; }
    bool eyeTracking() const { return m_stored.eyeTracking; }
    bool bubblesEnabled() const { return m_stored.bubblesEnabled; }
    bool idleBehaviours() const { return m_stored.idleBehaviours; }
    double yawnAfterMinutes() const { return m_stored.yawnAfterMinutes; }
    double sleepAfterMinutes() const { return m_stored.sleepAfterMinutes; }
    bool launchAtLogin() const { return m_launchAtLogin; }
    std::optional<QString> launchAtLoginError() const { return m_launchAtLoginError; }
    QVariantMap reactionGroups() const { return m_stored.reactionGroups; }
    bool presentationMode() const { return m_presentationMode; }
    bool quietMode() const { return m_stored.quietMode; }
    std::optional<QDateTime> quietUntil() const { return m_stored.quietUntil; }
    bool reducedMotion() const { return m_stored.reducedMotion; }
    bool notificationsEnabled() const { return m_stored.notificationsEnabled; }
    bool notificationSounds() const { return m_stored.notificationSounds; }
    QString shortcutKey() const { return m_stored.shortcutKey; }
    std::optional<QString> shortcutError() const { return m_shortcutError; }

    void setFaceSize(FaceSize value);
    void setSkin(Skin value);
    void setAccent(Accent value);
    void setOnboarded(bool value);
    void setDisplayMode(DisplayMode value);
    void setHideInFullscreen(bool value);
    void setHotkeyEnabled(bool value);
    void setEyeTracking(bool value);
    void setBubblesEnabled(bool value);
    void setIdleBehaviours(bool value);
    void setYawnAfterMinutes(double value);
    void setSleepAfterMinutes(double value);
    void setLaunchAtLogin(bool value);
    void setLaunchAtLoginError(const std::optional<QString>& value);
    void setReactionGroups(const QVariantMap& value);
    void setPresentationMode(bool value);
    void setQuietMode(bool value);
    void setQuietUntil(const std::optional<QDateTime>& value);
    void setReducedMotion(bool value);
    void setNotificationsEnabled(bool value);
    void setNotificationSounds(bool value);
    void setShortcutKey(const QString& value);
    void setShortcutError(const std::optional<QString>& value);

    // The names the companion's events are grouped under.
    static const QStringList& reactionGroupNames();
    // Every group is on unless switched off, except "clipboard", which is off until switched on.
    bool isReactionGroupEnabled(const QString& group) const;
    void setReactionGroupEnabled(const QString& group, bool enabled);

    // Applies launchAtLogin to the login item; on failure reports it and snaps back to the truth.
    void updateLoginItem();
    // Arms the quiet-mode timer for quietUntil (or disarms it when there is no end).
    void scheduleQuietTimer();
    // Ends quiet mode when its end has come by now. Also called on wake from sleep.
    void expireQuietMode(const QDateTime& now);
    bool isQuietTimerArmed() const;

signals:
    void faceSizeChanged(FaceSize value);
    void skinChanged(Skin value);
    void accentChanged(Accent value);
    void onboardedChanged(bool value);
    void displayModeChanged(DisplayMode value);
    void hideInFullscreenChanged(bool value);
    void hotkeyEnabledChanged(bool value);
    void eyeTrackingChanged(bool value);
    void bubblesEnabledChanged(bool value);
    void idleBehavioursChanged(bool value);
    void yawnAfterMinutesChanged(double value);
    void sleepAfterMinutesChanged(double value);
    void launchAtLoginChanged(bool value);
    void launchAtLoginErrorChanged(const std::optional<QString>& value);
    void reactionGroupsChanged(const QVariantMap& value);
    void presentationModeChanged(bool value);
    void quietModeChanged(bool value);
    void quietUntilChanged(const std::optional<QDateTime>& value);
    void reducedMotionChanged(bool value);
    void notificationsEnabledChanged(bool value);
    void notificationSoundsChanged(bool value);
    void shortcutKeyChanged(const QString& value);
    void shortcutErrorChanged(const std::optional<QString>& value);
    // Any of the above.
    void changed();

private:
    // What the defaults hold, as read.
    struct Stored
    {
        FaceSize faceSize;
        Skin skin;
        Accent accent;
        bool onboarded;
        DisplayMode displayMode;
        bool hideInFullscreen;
        bool hotkeyEnabled;
        bool eyeTracking;
        bool bubblesEnabled;
        bool idleBehaviours;
        double yawnAfterMinutes;
        double sleepAfterMinutes;
        QVariantMap reactionGroups;
        bool quietMode;
        std::optional<QDateTime> quietUntil;
        bool reducedMotion;
        bool notificationsEnabled;
        bool notificationSounds;
        QString shortcutKey;
    };

    template <typename T, typename Signal>
    void publish(T& member, const T& value, Signal signal);
    template <typename Signal>
    void storeBool(bool& member, bool value, const char* key, Signal signal);
    template <typename Signal>
    void storeDouble(double& member, double value, const char* key, Signal signal);

    Stored readStored() const;
    bool readBool(const char* key, bool defaultValue) const;
    double readPositiveMinutes(const char* key, double defaultValue) const;
    QVariantMap readReactionGroups() const;
    // Takes in what another program changed in the defaults' file: publishes each value that now reads
    // differently, without writing it back.
    void followDefaults();
    template <typename T, typename Signal>
    void follow(T& member, const T& value, Signal signal);

    Defaults& m_defaults;
    Clock& m_clock;
    Scheduler& m_scheduler;
    LoginItem& m_loginItem;
    AppEvents& m_events;

    Stored m_stored;
    bool m_launchAtLogin;
    std::optional<QString> m_launchAtLoginError;
    bool m_presentationMode = false;
    std::unique_ptr<ScheduledCall> m_quietTimer;
    std::optional<QString> m_shortcutError;
    bool m_suppressLoginItemUpdate = false;
};
