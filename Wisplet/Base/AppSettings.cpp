#include "Wisplet/Base/AppSettings.h"

#include "Wisplet/Base/AppEvents.h"
#include "Wisplet/Base/RawValue.h"
#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Platform/LoginItem.h"
#include "Wisplet/Platform/Platform.h"
#include "Wisplet/Platform/Scheduler.h"

#include <cmath>

namespace {

constexpr std::array<const char*, 3> displayModeNames{"notch", "main", "cursor"};
constexpr std::array<const char*, 4> skinNames{"companion", "classic", "round", "cat"};
constexpr std::array<const char*, 6> accentNames{"white", "mint", "sunny", "rose", "sky", "lavender"};

constexpr auto faceSizeKey = "faceSize";
constexpr auto skinKey = "skin";
constexpr auto accentKey = "accent";
constexpr auto onboardedKey = "onboarded";
constexpr auto displayModeKey = "displayMode";
constexpr auto hideInFullscreenKey = "hideInFullscreen";
constexpr auto hotkeyEnabledKey = "hotkeyEnabled";
constexpr auto eyeTrackingKey = "eyeTracking";
constexpr auto bubblesEnabledKey = "bubblesEnabled";
constexpr auto idleBehavioursKey = "idleBehaviours";
constexpr auto yawnAfterMinutesKey = "yawnAfterMinutes";
constexpr auto sleepAfterMinutesKey = "sleepAfterMinutes";
constexpr auto reactionGroupsKey = "reactionGroups";
constexpr auto quietModeKey = "quietMode";
constexpr auto quietUntilKey = "quietUntil";
constexpr auto reducedMotionKey = "reducedMotion";
constexpr auto notificationsEnabledKey = "notificationsEnabled";
constexpr auto notificationSoundsKey = "notificationSounds";
constexpr auto shortcutKeyKey = "shortcutKey";

QString key(const char* name)
{
    return QString::fromLatin1(name);
}

template <typename Enum, std::size_t N>
Enum readEnum(const Defaults& defaults, const char* name, const std::array<const char*, N>& names, Enum fallback)
{
    return fromRawValue<Enum>(names, defaults.string(key(name))).value_or(fallback);
}

} // namespace

QString rawValue(DisplayMode mode)
{
    return rawValue(displayModeNames, mode);
}

QString rawValue(Skin skin)
{
    return rawValue(skinNames, skin);
}

QString rawValue(Accent accent)
{
    return rawValue(accentNames, accent);
}

QColor accentColor(Accent accent)
{
    switch (accent) {
    case Accent::white:
        return QColor(Qt::white);
    case Accent::mint:
        return QColor::fromRgbF(0.62f, 0.95f, 0.8f);
    case Accent::sunny:
        return QColor::fromRgbF(1.0f, 0.88f, 0.45f);
    case Accent::rose:
        return QColor::fromRgbF(1.0f, 0.7f, 0.78f);
    case Accent::sky:
        return QColor::fromRgbF(0.62f, 0.84f, 1.0f);
    case Accent::lavender:
        return QColor::fromRgbF(0.8f, 0.74f, 1.0f);
    }
    return QColor(Qt::white);
}

AppSettings::AppSettings(Defaults& defaults, Clock& clock, Scheduler& scheduler, LoginItem& loginItem,
                         AppEvents& events, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_clock(clock)
    , m_scheduler(scheduler)
    , m_loginItem(loginItem)
    , m_events(events)
    , m_stored(readStored())
    , m_launchAtLogin(loginItem.isEnabled())
{
    connect(&defaults, &Defaults::changedOutside, this, &AppSettings::followDefaults);
    expireQuietMode(m_clock.now());
    scheduleQuietTimer();
}

AppSettings::~AppSettings() = default;

AppSettings::Stored AppSettings::readStored() const
{
    const QDateTime until = m_defaults.date(key(quietUntilKey));
    return {
        .faceSize = faceSizeFromRawValue(m_defaults.string(key(faceSizeKey))).value_or(FaceSize::medium),
        .skin = readEnum(m_defaults, skinKey, skinNames, Skin::companion),
        .accent = readEnum(m_defaults, accentKey, accentNames, Accent::white),
        .onboarded = m_defaults.boolValue(key(onboardedKey)),
        .displayMode = readEnum(m_defaults, displayModeKey, displayModeNames, DisplayMode::notch),
        .hideInFullscreen = readBool(hideInFullscreenKey, true),
        .hotkeyEnabled = readBool(hotkeyEnabledKey, true),
        .eyeTracking = readBool(eyeTrackingKey, true),
        .bubblesEnabled = readBool(bubblesEnabledKey, true),
        .idleBehaviours = readBool(idleBehavioursKey, true),
        .yawnAfterMinutes = readPositiveMinutes(yawnAfterMinutesKey, 10),
        .sleepAfterMinutes = readPositiveMinutes(sleepAfterMinutesKey, 20),
        .reactionGroups = readReactionGroups(),
        .quietMode = m_defaults.boolValue(key(quietModeKey)),
        .quietUntil = until.isValid() ? std::optional(until) : std::nullopt,
        .reducedMotion = m_defaults.boolValue(key(reducedMotionKey)),
        .notificationsEnabled = m_defaults.boolValue(key(notificationsEnabledKey)),
        .notificationSounds = m_defaults.boolValue(key(notificationSoundsKey)),
        .shortcutKey =
            m_defaults.contains(key(shortcutKeyKey)) ? m_defaults.string(key(shortcutKeyKey)) : QStringLiteral("M"),
    };
}

template <typename T, typename Signal>
void AppSettings::follow(T& member, const T& value, Signal signal)
{
    if (!(member == value))
        publish(member, value, signal);
}

void AppSettings::followDefaults()
{
    const Stored now = readStored();
    const std::optional<QDateTime> quietUntil = m_stored.quietUntil;
    follow(m_stored.faceSize, now.faceSize, &AppSettings::faceSizeChanged);
    follow(m_stored.skin, now.skin, &AppSettings::skinChanged);
    follow(m_stored.accent, now.accent, &AppSettings::accentChanged);
    follow(m_stored.onboarded, now.onboarded, &AppSettings::onboardedChanged);
    if (now.displayMode != m_stored.displayMode) {
        publish(m_stored.displayMode, now.displayMode, &AppSettings::displayModeChanged);
        m_events.postScreenChanged();
    }
    follow(m_stored.hideInFullscreen, now.hideInFullscreen, &AppSettings::hideInFullscreenChanged);
    follow(m_stored.hotkeyEnabled, now.hotkeyEnabled, &AppSettings::hotkeyEnabledChanged);
    follow(m_stored.eyeTracking, now.eyeTracking, &AppSettings::eyeTrackingChanged);
    follow(m_stored.bubblesEnabled, now.bubblesEnabled, &AppSettings::bubblesEnabledChanged);
    follow(m_stored.idleBehaviours, now.idleBehaviours, &AppSettings::idleBehavioursChanged);
    follow(m_stored.yawnAfterMinutes, now.yawnAfterMinutes, &AppSettings::yawnAfterMinutesChanged);
    follow(m_stored.sleepAfterMinutes, now.sleepAfterMinutes, &AppSettings::sleepAfterMinutesChanged);
    follow(m_stored.reactionGroups, now.reactionGroups, &AppSettings::reactionGroupsChanged);
    follow(m_stored.quietMode, now.quietMode, &AppSettings::quietModeChanged);
    follow(m_stored.quietUntil, now.quietUntil, &AppSettings::quietUntilChanged);
    follow(m_stored.reducedMotion, now.reducedMotion, &AppSettings::reducedMotionChanged);
    follow(m_stored.notificationsEnabled, now.notificationsEnabled, &AppSettings::notificationsEnabledChanged);
    follow(m_stored.notificationSounds, now.notificationSounds, &AppSettings::notificationSoundsChanged);
    follow(m_stored.shortcutKey, now.shortcutKey, &AppSettings::shortcutKeyChanged);
    if (m_stored.quietUntil != quietUntil)
        scheduleQuietTimer();
}

AppSettings& AppSettings::shared()
{
    static auto* settings = new AppSettings(Platform::defaults(), Platform::clock(), Platform::scheduler(),
                                            Platform::loginItem(), AppEvents::shared());
    return *settings;
}

bool AppSettings::readBool(const char* name, bool defaultValue) const
{
    return m_defaults.contains(key(name)) ? m_defaults.boolValue(key(name)) : defaultValue;
}

double AppSettings::readPositiveMinutes(const char* name, double defaultValue) const
{
    if (!m_defaults.contains(key(name)))
        return defaultValue;
    // A zero, negative or non-numeric threshold would put Wisp to sleep on every idle poll.
    const double minutes = m_defaults.doubleValue(key(name));
    return std::isfinite(minutes) && minutes > 0 ? minutes : defaultValue;
}

QVariantMap AppSettings::readReactionGroups() const
{
    const QVariantMap stored = m_defaults.dictionary(key(reactionGroupsKey));
    for (const QVariant& value : stored) {
        if (value.typeId() != QMetaType::Bool)
            return {};
    }
    return stored;
}

template <typename T, typename Signal>
void AppSettings::publish(T& member, const T& value, Signal signal)
{
    member = value;
    emit(this->*signal)(value);
    emit changed();
}

template <typename Signal>
void AppSettings::storeBool(bool& member, bool value, const char* name, Signal signal)
{
    m_defaults.set(key(name), value);
    publish(member, value, signal);
}

template <typename Signal>
void AppSettings::storeDouble(double& member, double value, const char* name, Signal signal)
{
    m_defaults.set(key(name), value);
    publish(member, value, signal);
}

void AppSettings::setFaceSize(FaceSize value)
{
    m_defaults.set(key(faceSizeKey), rawValue(value));
    publish(m_stored.faceSize, value, &AppSettings::faceSizeChanged);
}

void AppSettings::setSkin(Skin value)
{
    m_defaults.set(key(skinKey), rawValue(value));
    publish(m_stored.skin, value, &AppSettings::skinChanged);
}

void AppSettings::setAccent(Accent value)
{
    m_defaults.set(key(accentKey), rawValue(value));
    publish(m_stored.accent, value, &AppSettings::accentChanged);
}

void AppSettings::setOnboarded(bool value)
{
    storeBool(m_stored.onboarded, value, onboardedKey, &AppSettings::onboardedChanged);
}

void AppSettings::setDisplayMode(DisplayMode value)
{
    m_defaults.set(key(displayModeKey), rawValue(value));
    publish(m_stored.displayMode, value, &AppSettings::displayModeChanged);
    m_events.postScreenChanged();
}

void AppSettings::setHideInFullscreen(bool value)
{
    storeBool(m_stored.hideInFullscreen, value, hideInFullscreenKey, &AppSettings::hideInFullscreenChanged);
}

void AppSettings::setHotkeyEnabled(bool value)
{
    storeBool(m_stored.hotkeyEnabled, value, hotkeyEnabledKey, &AppSettings::hotkeyEnabledChanged);
}

void AppSettings::setEyeTracking(bool value)
{
    storeBool(m_stored.eyeTracking, value, eyeTrackingKey, &AppSettings::eyeTrackingChanged);
}

void AppSettings::setBubblesEnabled(bool value)
{
    storeBool(m_stored.bubblesEnabled, value, bubblesEnabledKey, &AppSettings::bubblesEnabledChanged);
}

void AppSettings::setIdleBehaviours(bool value)
{
    storeBool(m_stored.idleBehaviours, value, idleBehavioursKey, &AppSettings::idleBehavioursChanged);
}

void AppSettings::setYawnAfterMinutes(double value)
{
    storeDouble(m_stored.yawnAfterMinutes, value, yawnAfterMinutesKey, &AppSettings::yawnAfterMinutesChanged);
}

void AppSettings::setSleepAfterMinutes(double value)
{
    storeDouble(m_stored.sleepAfterMinutes, value, sleepAfterMinutesKey, &AppSettings::sleepAfterMinutesChanged);
}

void AppSettings::setLaunchAtLogin(bool value)
{
    publish(m_launchAtLogin, value, &AppSettings::launchAtLoginChanged);
    if (!m_suppressLoginItemUpdate)
        updateLoginItem();
}

void AppSettings::setLaunchAtLoginError(const std::optional<QString>& value)
{
    publish(m_launchAtLoginError, value, &AppSettings::launchAtLoginErrorChanged);
}

void AppSettings::setReactionGroups(const QVariantMap& value)
{
    m_defaults.set(key(reactionGroupsKey), value);
    publish(m_stored.reactionGroups, value, &AppSettings::reactionGroupsChanged);
}

void AppSettings::setPresentationMode(bool value)
{
    publish(m_presentationMode, value, &AppSettings::presentationModeChanged);
}

void AppSettings::setQuietMode(bool value)
{
    m_defaults.set(key(quietModeKey), value);
    m_stored.quietMode = value;
    emit quietModeChanged(value);
    emit changed();
    // The end goes after the mode has been announced: observers see the mode change first.
    if (!value)
        setQuietUntil(std::nullopt);
}

void AppSettings::setQuietUntil(const std::optional<QDateTime>& value)
{
    if (value)
        m_defaults.set(key(quietUntilKey), *value);
    else
        m_defaults.remove(key(quietUntilKey));
    publish(m_stored.quietUntil, value, &AppSettings::quietUntilChanged);
    scheduleQuietTimer();
}

void AppSettings::setReducedMotion(bool value)
{
    storeBool(m_stored.reducedMotion, value, reducedMotionKey, &AppSettings::reducedMotionChanged);
}

void AppSettings::setNotificationsEnabled(bool value)
{
    storeBool(m_stored.notificationsEnabled, value, notificationsEnabledKey, &AppSettings::notificationsEnabledChanged);
}

void AppSettings::setNotificationSounds(bool value)
{
    storeBool(m_stored.notificationSounds, value, notificationSoundsKey, &AppSettings::notificationSoundsChanged);
}

void AppSettings::setShortcutKey(const QString& value)
{
    m_defaults.set(key(shortcutKeyKey), value);
    publish(m_stored.shortcutKey, value, &AppSettings::shortcutKeyChanged);
}

void AppSettings::setShortcutError(const std::optional<QString>& value)
{
    publish(m_shortcutError, value, &AppSettings::shortcutErrorChanged);
}

const QStringList& AppSettings::reactionGroupNames()
{
    static const QStringList names{QStringLiteral("clipboard"), QStringLiteral("focus"), QStringLiteral("system"),
                                   QStringLiteral("calendar"),  QStringLiteral("media"), QStringLiteral("business"),
                                   QStringLiteral("general")};
    return names;
}

bool AppSettings::isReactionGroupEnabled(const QString& group) const
{
    if (m_stored.reactionGroups.contains(group))
        return m_stored.reactionGroups.value(group).toBool();
    return group != QLatin1String("clipboard");
}

void AppSettings::setReactionGroupEnabled(const QString& group, bool enabled)
{
    QVariantMap groups = m_stored.reactionGroups;
    groups.insert(group, enabled);
    setReactionGroups(groups);
}

void AppSettings::updateLoginItem()
{
    const std::optional<QString> error = m_loginItem.setEnabled(m_launchAtLogin);
    if (!error) {
        setLaunchAtLoginError(std::nullopt);
        return;
    }
    setLaunchAtLoginError(QStringLiteral("Couldn't update the login item: ") + *error);
    // Show the truth without trying again.
    m_suppressLoginItemUpdate = true;
    setLaunchAtLogin(m_loginItem.isEnabled());
    m_suppressLoginItemUpdate = false;
}

void AppSettings::scheduleQuietTimer()
{
    m_quietTimer.reset();
    if (!m_stored.quietUntil)
        return;
    const qint64 remaining = std::clamp<qint64>(m_clock.now().msecsTo(*m_stored.quietUntil), 0, maxQuietTimerMs);
    m_quietTimer = m_scheduler.callAfter(std::chrono::milliseconds(remaining), [this] {
        // The handle is a member, so this cannot run after the settings are gone. A timer can fire early
        // (the wall clock is not what it counts): re-arm until the end has really come.
        expireQuietMode(m_clock.now());
        if (m_stored.quietUntil)
            scheduleQuietTimer();
    });
}

void AppSettings::expireQuietMode(const QDateTime& now)
{
    if (!m_stored.quietUntil || *m_stored.quietUntil > now)
        return;
    setQuietMode(false);
    setQuietUntil(std::nullopt);
}

bool AppSettings::isQuietTimerArmed() const
{
    return m_quietTimer && m_quietTimer->isPending();
}
