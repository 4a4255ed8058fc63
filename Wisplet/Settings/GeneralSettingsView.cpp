#include "Wisplet/Settings/GeneralSettingsView.h"

#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/Notifier.h"
#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Base/QuietControls.h"
#include "Wisplet/Base/QuietControlsButton.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Settings/SettingsForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

QString displayModeLabel(DisplayMode mode)
{
    switch (mode) {
    case DisplayMode::notch:
        return QStringLiteral("Built-in display (the notch)");
    case DisplayMode::main:
        return QStringLiteral("Main display");
    case DisplayMode::cursor:
        return QStringLiteral("Display with the cursor");
    }
    return {};
}

// A control's own widget at its natural width, at the start of its row.
void addLeading(QVBoxLayout* section, QWidget* widget)
{
    auto* row = new QHBoxLayout;
    row->addWidget(widget);
    row->addStretch(1);
    section->addLayout(row);
}

QLabel* addText(QVBoxLayout* section, const QString& text)
{
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    section->addWidget(label);
    return label;
}

void fill(QCheckBox* box, bool on)
{
    const QSignalBlocker blocker(box);
    box->setChecked(on);
}

void fill(QComboBox* picker, const QVariant& value)
{
    const QSignalBlocker blocker(picker);
    picker->setCurrentIndex(picker->findData(value));
}

// A message line shows only while its store has a message.
void fill(QLabel* line, const std::optional<QString>& text)
{
    line->setText(text.value_or(QString()));
    line->setVisible(text.has_value());
}

} // namespace

GeneralSettingsView::GeneralSettingsView(const Services& services, const QStringList& shortcutKeys, QWidget* parent)
    : QWidget(parent)
    , m_settings(services.settings)
    , m_notifier(services.notifier)
    , m_wisp(services.wisp)
    , m_quiet(std::make_unique<QuietControls>(services.settings, services.clock))
{
    build(shortcutKeys);
    refresh();
    connect(&m_settings, &AppSettings::changed, this, &GeneralSettingsView::refresh);
    connect(&m_notifier, &Notifier::changed, this, &GeneralSettingsView::refresh);
}

GeneralSettingsView::~GeneralSettingsView() = default;

void GeneralSettingsView::build(const QStringList& shortcutKeys)
{
    auto* form = new SettingsForm(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(form);
    AppSettings& settings = m_settings;
    using Tone = SettingsForm::Tone;

    QVBoxLayout* main = form->addSection();
    m_launchAtLogin = SettingsForm::addSwitch(main, QStringLiteral("Launch at login"), false,
                                              [&settings](bool on) { settings.setLaunchAtLogin(on); });
    m_launchAtLoginError = SettingsForm::addCaption(main, {}, Tone::secondary);
    auto* openPanel = new PillButton(QStringLiteral("Open tools panel"), {});
    // Pins, never unpins: pressing it again while pinned changes nothing.
    connect(openPanel, &PillButton::clicked, this, [this] { m_wisp.setPinnedOpen(true); });
    addLeading(main, openPanel);
    m_hotkey = SettingsForm::addSwitch(main, QStringLiteral("Global panel shortcut"), false,
                                       [&settings](bool on) { settings.setHotkeyEnabled(on); });
    QList<SettingsForm::Option> keys;
    for (const QString& key : shortcutKeys)
        keys.append({key, key});
    // Usable while the shortcut is off: the key takes effect when it is turned on.
    m_shortcutKey =
        SettingsForm::addPicker(main, QStringLiteral("Ctrl + Alt +"), keys, {},
                                [&settings](const QVariant& key) { settings.setShortcutKey(key.toString()); });
    m_shortcutError = SettingsForm::addCaption(main, {}, Tone::warning);
    m_presentation = SettingsForm::addSwitch(main, QStringLiteral("Presentation mode"), false,
                                             [&settings](bool on) { settings.setPresentationMode(on); });
    SettingsForm::addCaption(
        main, QStringLiteral("Hides Wisp and pauses background tools. Restore from the tray menu or shortcut."));
    addLeading(main, new QuietControlsButton(*m_quiet));
    m_reducedMotion = SettingsForm::addSwitch(main, QStringLiteral("Reduce motion"), false,
                                              [&settings](bool on) { settings.setReducedMotion(on); });
    m_notifications = SettingsForm::addSwitch(main, QStringLiteral("Timer and meeting notifications"), false,
                                              [this](bool on) { editNotifications(on); });
    m_sounds = SettingsForm::addSwitch(main, QStringLiteral("Notification sounds"), false,
                                       [&settings](bool on) { settings.setNotificationSounds(on); });
    m_notifierError = SettingsForm::addCaption(main, {}, Tone::warning);

    QVBoxLayout* keyboard = form->addSection(QStringLiteral("Keyboard"));
    addText(keyboard,
            QStringLiteral("Ctrl + Alt + K opens the tool switcher. Ctrl + Alt + 1–4 opens your favourite "
                           "tools when global shortcuts are enabled."));
    SettingsForm::addCaption(keyboard,
                             QStringLiteral("Reorder enabled tools in Tools to choose your four favourites."));

    QVBoxLayout* display = form->addSection(QStringLiteral("Display"));
    QList<SettingsForm::Option> modes;
    for (DisplayMode mode : allDisplayModes)
        modes.append({displayModeLabel(mode), int(mode)});
    m_displayMode =
        SettingsForm::addPicker(display, QStringLiteral("Show Wisp on"), modes, {}, [&settings](const QVariant& mode) {
            settings.setDisplayMode(DisplayMode(mode.toInt()));
        });
    m_hideInFullscreen = SettingsForm::addSwitch(display, QStringLiteral("Hide while the front app is full screen"),
                                                 false, [&settings](bool on) { settings.setHideInFullscreen(on); });
}

void GeneralSettingsView::refresh()
{
    fill(m_launchAtLogin, m_settings.launchAtLogin());
    fill(m_launchAtLoginError, m_settings.launchAtLoginError());
    fill(m_hotkey, m_settings.hotkeyEnabled());
    fill(m_shortcutKey, m_settings.shortcutKey());
    fill(m_shortcutError, m_settings.shortcutError());
    fill(m_presentation, m_settings.presentationMode());
    fill(m_reducedMotion, m_settings.reducedMotion());
    fill(m_notifications, m_settings.notificationsEnabled());
    fill(m_sounds, m_settings.notificationSounds());
    fill(m_notifierError, m_notifier.errorText());
    fill(m_displayMode, int(m_settings.displayMode()));
    fill(m_hideInFullscreen, m_settings.hideInFullscreen());
}

// Turning the switch on only asks; it shows on once the answer has switched notifications on. Turning
// it off never asks and leaves any message as it is.
void GeneralSettingsView::editNotifications(bool on)
{
    if (!on) {
        m_settings.setNotificationsEnabled(false);
        return;
    }
    fill(m_notifications, m_settings.notificationsEnabled());
    m_notifier.requestAuthorization();
}
