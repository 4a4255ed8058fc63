#include "Wisplet/App/TrayMenu.h"

#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/QuietControls.h"
#include "Wisplet/Base/RawValue.h"
#include "Wisplet/Companion/WispState.h"

namespace {

const QString pinAction = QStringLiteral("pin");
const QString presentationAction = QStringLiteral("presentation");
const QString clipboardAction = QStringLiteral("clipboard.pause");
const QString studioAction = QStringLiteral("studio");
const QString settingsAction = QStringLiteral("settings");
const QString updatesAction = QStringLiteral("updates");
const QString tourAction = QStringLiteral("tour");
const QString quitAction = QStringLiteral("quit");
const QString fallAsleepAction = QStringLiteral("fallAsleep");
const QString blinkAction = QStringLiteral("blink");
const QString moodPrefix = QStringLiteral("mood.");
const QString faceSizePrefix = QStringLiteral("faceSize.");
const QString samplePrefix = QStringLiteral("sample.");

// An item that shows a check mark symbol while it is the current choice.
MenuItem choice(const QString& text, bool current, const QString& action)
{
    MenuItem item = MenuItem::command(text, action);
    if (current)
        item.symbol = QStringLiteral("checkmark");
    return item;
}

void call(const std::function<void()>& hook)
{
    if (hook)
        hook();
}

} // namespace

TrayMenu::TrayMenu(WispState& state, AppSettings& settings, QuietControls& quiet, Hooks hooks, QObject* parent)
    : QObject(parent)
    , m_state(state)
    , m_settings(settings)
    , m_quiet(quiet)
    , m_hooks(std::move(hooks))
{
    connect(&state, &WispState::changed, this, &TrayMenu::changed);
    connect(&settings, &AppSettings::changed, this, &TrayMenu::changed);
}

QString TrayMenu::statusLine() const
{
    if (m_state.isAsleep())
        return QStringLiteral("Wisp is asleep");
    return QStringLiteral("Wisp is ") + rawValue(m_state.displayMood()).toLower();
}

MenuItems TrayMenu::items() const
{
    const bool clipboardPaused = m_hooks.clipboardPaused && m_hooks.clipboardPaused();
    MenuItem updates = MenuItem::command(QStringLiteral("Check for Updates…"), updatesAction);
    updates.enabled = m_hooks.canCheckForUpdates && m_hooks.canCheckForUpdates();
    MenuItem settings = MenuItem::command(QStringLiteral("Settings…"), settingsAction);
    settings.shortcut = QStringLiteral("Ctrl+,");
    MenuItem quit = MenuItem::command(QStringLiteral("Quit Wisp"), quitAction);
    quit.shortcut = QStringLiteral("Ctrl+Q");

    return {
        MenuItem::line(statusLine()),
        MenuItem::separator(),
        MenuItem::command(m_state.isPinnedOpen() ? QStringLiteral("Unpin panel") : QStringLiteral("Pin panel open"),
                          pinAction),
        MenuItem::toggle(QStringLiteral("Presentation mode — hide Wisp & pause collection"),
                         m_settings.presentationMode(), presentationAction),
        m_quiet.submenuItem(),
        MenuItem::command(clipboardPaused ? QStringLiteral("Resume clipboard capture")
                                          : QStringLiteral("Pause clipboard capture"),
                          clipboardAction),
        MenuItem::command(QStringLiteral("Expression studio…"), studioAction),
        MenuItem::nested(QStringLiteral("Mood"), moodItems()),
        MenuItem::nested(QStringLiteral("Face size"), faceSizeItems()),
        MenuItem::nested(QStringLiteral("Try a reaction"), reactionItems()),
        MenuItem::separator(),
        settings,
        updates,
        MenuItem::command(QStringLiteral("Welcome tour"), tourAction),
        quit,
    };
}

MenuItems TrayMenu::moodItems() const
{
    MenuItems items;
    for (const Mood mood : selectableMoods)
        items.push_back(choice(capitalised(rawValue(mood)), mood == m_state.baseMood(), moodPrefix + rawValue(mood)));
    return items;
}

MenuItems TrayMenu::faceSizeItems() const
{
    MenuItems items;
    for (const FaceSize size : allFaceSizes)
        items.push_back(
            choice(capitalised(rawValue(size)), size == m_settings.faceSize(), faceSizePrefix + rawValue(size)));
    return items;
}

MenuItems TrayMenu::reactionItems() const
{
    MenuItems items;
    const auto& samples = WispEventSample::all();
    for (std::size_t i = 0; i < samples.size(); ++i)
        items.push_back(MenuItem::command(samples[i].id, samplePrefix + QString::number(i)));
    items.push_back(MenuItem::separator());
    items.push_back(MenuItem::command(QStringLiteral("Fall asleep"), fallAsleepAction));
    items.push_back(MenuItem::command(QStringLiteral("Blink"), blinkAction));
    return items;
}

bool TrayMenu::trigger(const QString& action)
{
    if (action == pinAction) {
        m_state.togglePinned();
    } else if (action == presentationAction) {
        m_settings.setPresentationMode(!m_settings.presentationMode());
    } else if (action == clipboardAction) {
        call(m_hooks.toggleClipboardPaused);
    } else if (action == studioAction) {
        call(m_hooks.openStudio);
    } else if (action == settingsAction) {
        call(m_hooks.openSettings);
    } else if (action == updatesAction) {
        if (m_hooks.canCheckForUpdates && m_hooks.canCheckForUpdates())
            call(m_hooks.checkForUpdates);
    } else if (action == tourAction) {
        call(m_hooks.showWelcomeTour);
    } else if (action == quitAction) {
        call(m_hooks.quit);
    } else if (action == fallAsleepAction) {
        m_state.fallAsleep();
    } else if (action == blinkAction) {
        m_state.blink();
    } else if (action.startsWith(moodPrefix)) {
        const std::optional<Mood> mood = moodFromRawValue(action.mid(moodPrefix.size()));
        if (!mood)
            return false;
        m_state.setBaseMood(*mood);
        if (m_state.isAsleep())
            m_state.setAsleep(false);
    } else if (action.startsWith(faceSizePrefix)) {
        const std::optional<FaceSize> size = faceSizeFromRawValue(action.mid(faceSizePrefix.size()));
        if (!size)
            return false;
        m_settings.setFaceSize(*size);
    } else if (action.startsWith(samplePrefix)) {
        bool ok = false;
        const std::size_t index = action.mid(samplePrefix.size()).toULong(&ok);
        if (!ok || index >= WispEventSample::all().size())
            return false;
        m_state.handle(WispEventSample::all()[index].event);
    } else {
        return m_quiet.trigger(action);
    }
    return true;
}
