#include "Wisplet/Settings/ToolsSettingsView.h"

#include "Wisplet/Base/LinkButton.h"
#include "Wisplet/Base/ToolRegistry.h"
#include "Wisplet/Base/WindowPalette.h"
#include "Wisplet/Settings/ExcludedAppsText.h"
#include "Wisplet/Settings/SettingsForm.h"
#include "Wisplet/Settings/ToolOrderList.h"
#include "Wisplet/Tools/Clipboard/ClipboardManager.h"
#include "Wisplet/Tools/Focus/FocusEngine.h"
#include "Wisplet/Tools/Weather/WeatherEndpoints.h"
#include "Wisplet/Tools/Weather/WeatherTool.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int toolListHeight = 200;
constexpr int excludedMinLines = 3;
constexpr int excludedMaxLines = 10;

// A whole-number label, or its own words at 0 (or below, which the reminders also take as off).
Stepper::LabelText numberOrOff(const QString& counting, const QString& off)
{
    return [counting, off](double value) { return value <= 0 ? off : counting.arg(Stepper::wholeNumber(value)); };
}

Stepper::LabelText number(const QString& counting)
{
    return [counting](double value) { return counting.arg(Stepper::wholeNumber(value)); };
}

// Keeps a switch showing the store's value; setting it raises no `clicked`, so nothing is written back.
template <typename Store>
void follow(QCheckBox* box, Store* store, void (Store::*changed)(bool))
{
    QObject::connect(store, changed, box, [box](bool on) {
        const QSignalBlocker blocker(box);
        box->setChecked(on);
    });
}

QLabel* plainLabel(const QString& text)
{
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

ToolsSettingsView::ToolsSettingsView(ToolRegistry& registry, FocusEngine& focus, ClipboardManager& clipboard,
                                     WeatherTool& weather, PastePermitted pastePermitted, QWidget* parent)
    : QWidget(parent)
    , m_registry(registry)
    , m_focus(focus)
    , m_clipboard(clipboard)
    , m_weather(weather)
    , m_pastePermitted(std::move(pastePermitted))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* form = new SettingsForm(this);
    layout->addWidget(form);
    addTools(*form);
    addFocus(*form);
    addWeather(*form);
    addClipboard(*form);
}

void ToolsSettingsView::addTools(SettingsForm& form)
{
    QVBoxLayout* section = form.addSection();
    m_tools = new ToolOrderList;
    m_tools->setObjectName(QStringLiteral("tools"));
    m_tools->setFixedHeight(toolListHeight);
    section->addWidget(m_tools);
    SettingsForm::addCaption(section, tr("Drag to reorder. The first four enabled tools become your favourites."));
    showTools();
    connect(m_tools, &ToolOrderList::enabledEdited, this,
            [this](ToolID tool, bool on) { m_registry.setEnabled(tool, on); });
    connect(m_tools, &ToolOrderList::moveRequested, this, [this](const QList<int>& rows, int destination) {
        const QList<ToolID> order = ToolOrderList::moved(m_registry.order(), rows, destination);
        if (order != m_registry.order())
            m_registry.setOrder(order);
    });
    connect(&m_registry, &ToolRegistry::orderChanged, this, &ToolsSettingsView::showTools);
    connect(&m_registry, &ToolRegistry::enabledChanged, this, &ToolsSettingsView::showTools);
}

void ToolsSettingsView::addFocus(SettingsForm& form)
{
    QVBoxLayout* section = form.addSection(tr("Focus"));
    FocusEngine& focus = m_focus;
    QCheckBox* autoAdvance =
        SettingsForm::addSwitch(section, tr("Start the next Pomodoro phase automatically"), focus.autoAdvance(),
                                [&focus](bool on) { focus.setAutoAdvance(on); });
    follow(autoAdvance, &focus, &FocusEngine::autoAdvanceChanged);

    Stepper* water = addStepper(section, QStringLiteral("water"), {0, 180, 15},
                                numberOrOff(tr("Water reminder every %1 min"), tr("Hydration reminders: off")),
                                focus.hydrationMinutes(), [&focus](double value) { focus.setHydrationMinutes(value); });
    connect(&focus, &FocusEngine::hydrationMinutesChanged, water, &Stepper::setValue);

    Stepper* work = addStepper(section, QStringLiteral("work"), {5, 120, 5}, number(tr("Work session: %1 min")),
                               focus.workMinutes(), [&focus](double value) { focus.setWorkMinutes(value); });
    connect(&focus, &FocusEngine::workMinutesChanged, work, &Stepper::setValue);

    Stepper* shortBreak =
        addStepper(section, QStringLiteral("shortBreak"), {1, 30, 1}, number(tr("Short break: %1 min")),
                   focus.shortBreakMinutes(), [&focus](double value) { focus.setShortBreakMinutes(value); });
    connect(&focus, &FocusEngine::shortBreakMinutesChanged, shortBreak, &Stepper::setValue);

    Stepper* longBreak =
        addStepper(section, QStringLiteral("longBreak"), {5, 60, 5}, number(tr("Long break: %1 min")),
                   focus.longBreakMinutes(), [&focus](double value) { focus.setLongBreakMinutes(value); });
    connect(&focus, &FocusEngine::longBreakMinutesChanged, longBreak, &Stepper::setValue);

    Stepper* cycle = addStepper(section, QStringLiteral("cycle"), {2, 8, 1}, number(tr("Long break every %1 sessions")),
                                double(focus.sessionsBeforeLongBreak()),
                                [&focus](double value) { focus.setSessionsBeforeLongBreak(qint64(value)); });
    connect(&focus, &FocusEngine::sessionsBeforeLongBreakChanged, cycle,
            [cycle](qint64 value) { cycle->setValue(double(value)); });

    Stepper* stretch =
        addStepper(section, QStringLiteral("stretch"), {0, 180, 15},
                   numberOrOff(tr("Stretch reminder every %1 min"), tr("Stretch reminders: off")),
                   focus.breakReminderMinutes(), [&focus](double value) { focus.setBreakReminderMinutes(value); });
    connect(&focus, &FocusEngine::breakReminderMinutesChanged, stretch, &Stepper::setValue);
}

void ToolsSettingsView::addWeather(SettingsForm& form)
{
    QVBoxLayout* section = form.addSection(tr("Weather"));
    auto* keyRow = new QHBoxLayout;
    QLabel* keyTitle = plainLabel(tr("Open-Meteo customer API key"));
    m_weather.loadKey();
    m_weatherKey = new QLineEdit(m_weather.apiKey());
    m_weatherKey->setObjectName(QStringLiteral("weatherKey"));
    m_weatherKey->setEchoMode(QLineEdit::Password);
    showWeatherKeyState(m_weather.keyState());
    connect(&m_weather, &WeatherTool::keyStateChanged, this, &ToolsSettingsView::showWeatherKeyState);
    keyTitle->setBuddy(m_weatherKey);
    keyRow->addWidget(keyTitle);
    keyRow->addWidget(m_weatherKey, 1);
    section->addLayout(keyRow);
    // Every keystroke is the key from then on; `textEdited` comes only from the user.
    connect(m_weatherKey, &QLineEdit::textEdited, this, [this](const QString& key) { m_weather.setApiKey(key); });
    connect(&m_weather, &WeatherTool::apiKeyChanged, m_weatherKey, [this](const QString& key) {
        // Our own write comes back as the text already there; replacing it would move the cursor.
        if (m_weatherKey->text() != key)
            m_weatherKey->setText(key);
    });

    m_weatherError = SettingsForm::addCaption(section, QString(), SettingsForm::Tone::warning);
    m_weatherError->setObjectName(QStringLiteral("weatherError"));
    showWeatherError(m_weather.errorText());
    connect(&m_weather, &WeatherTool::errorTextChanged, this, &ToolsSettingsView::showWeatherError);

    WeatherTool& weather = m_weather;
    QCheckBox* fahrenheit = SettingsForm::addSwitch(section, tr("Fahrenheit"), weather.useFahrenheit(),
                                                    [&weather](bool on) { weather.setUseFahrenheit(on); });
    follow(fahrenheit, &weather, &WeatherTool::useFahrenheitChanged);

    SettingsForm::addCaption(section,
                             tr("Optional: bring a customer API key with commercial access. Stored in the "
                                "keyring; never written to any file."));
    auto* link = new LinkButton(tr("Open-Meteo plans and attribution"), QUrl(WeatherEndpoints::pricingPage()),
                                darkWindowPalette().color(QPalette::Highlight).lighter(140));
    QFont underlined = link->font();
    underlined.setUnderline(true);
    link->setFont(underlined);
    section->addWidget(link, 0, Qt::AlignLeft);
}

void ToolsSettingsView::addClipboard(SettingsForm& form)
{
    QVBoxLayout* section = form.addSection(tr("Clipboard"));
    ClipboardManager& clipboard = m_clipboard;
    Stepper* keep = addStepper(section, QStringLiteral("keep"), {20, 1000, 20}, number(tr("Keep %1 items")),
                               clipboard.maxItems(), [&clipboard](double value) { clipboard.setMaxItems(int(value)); });
    connect(&clipboard, &ClipboardManager::maxItemsChanged, keep, [keep](int value) { keep->setValue(value); });

    QCheckBox* paste =
        SettingsForm::addSwitch(section, tr("Paste into the front app when clicking an item"),
                                clipboard.pasteDirectly(), [&clipboard](bool on) { clipboard.setPasteDirectly(on); });
    paste->setObjectName(QStringLiteral("paste"));
    m_pasteWarning = SettingsForm::addCaption(section, tr("Needs an X11 session."));
    m_pasteWarning->setObjectName(QStringLiteral("pasteWarning"));
    showPasteWarning();
    follow(paste, &clipboard, &ClipboardManager::pasteDirectlyChanged);
    connect(&clipboard, &ClipboardManager::pasteDirectlyChanged, this, &ToolsSettingsView::showPasteWarning);

    QCheckBox* consent =
        SettingsForm::addSwitch(section, tr("Allow clipboard history capture"), clipboard.captureConsent(),
                                [&clipboard](bool on) { clipboard.setCaptureConsent(on); });
    follow(consent, &clipboard, &ClipboardManager::captureConsentChanged);

    QCheckBox* paused = SettingsForm::addSwitch(section, tr("Pause capture (private session)"), clipboard.paused(),
                                                [&clipboard](bool on) { clipboard.setPaused(on); });
    follow(paused, &clipboard, &ClipboardManager::pausedChanged);

    const QList<SettingsForm::Option> retentionOptions{
        {tr("1 day"), 1}, {tr("7 days"), 7}, {tr("30 days"), 30}, {tr("Never"), 0}};
    QComboBox* retention =
        SettingsForm::addPicker(section, tr("Remove unpinned items after"), retentionOptions, clipboard.retentionDays(),
                                [&clipboard](const QVariant& days) { clipboard.setRetentionDays(days.toInt()); });
    retention->setObjectName(QStringLiteral("retention"));
    connect(&clipboard, &ClipboardManager::retentionDaysChanged, retention, [retention](int days) {
        const QSignalBlocker blocker(retention);
        retention->setCurrentIndex(retention->findData(days));
    });

    addExcludedApps(section);
    SettingsForm::addCaption(section,
                             tr("Skips the listed apps and copies marked concealed or transient. Other sensitive text "
                                "may still be captured; pause capture when needed. Originals up to 25 MB are "
                                "preserved."));
}

void ToolsSettingsView::addExcludedApps(QVBoxLayout* section)
{
    QLabel* title = plainLabel(tr("Excluded app IDs, one per line"));
    auto* field = new QPlainTextEdit;
    field->setObjectName(QStringLiteral("excludedApps"));
    field->setLineWrapMode(QPlainTextEdit::NoWrap);
    field->setTabChangesFocus(true);
    title->setBuddy(field);
    section->addWidget(title);
    section->addWidget(field);
    m_excludedApps = field;
    showExcludedApps(m_clipboard.excludedAppIds());
    // Connected after the field is filled; every fill after this one is made under a signal blocker.
    connect(field, &QPlainTextEdit::textChanged, this, &ToolsSettingsView::excludedAppsEdited);
    connect(field, &QPlainTextEdit::blockCountChanged, this, &ToolsSettingsView::fitExcludedApps);
    connect(&m_clipboard, &ClipboardManager::excludedAppIdsChanged, this, &ToolsSettingsView::showExcludedApps);
    fitExcludedApps();
}

Stepper* ToolsSettingsView::addStepper(QVBoxLayout* section, const QString& name, Stepper::Range range,
                                       Stepper::LabelText label, double value,
                                       const std::function<void(double)>& edited)
{
    auto* stepper = new Stepper(range, std::move(label));
    stepper->setObjectName(name);
    stepper->setValue(value);
    connect(stepper, &Stepper::valueEdited, this, edited);
    section->addWidget(stepper);
    return stepper;
}

void ToolsSettingsView::showTools()
{
    m_tools->setTools(m_registry.order(), m_registry.enabled());
}

void ToolsSettingsView::showWeatherKeyState(WeatherTool::KeyState state)
{
    // The field stays open for typing meanwhile: a typed key wins over the keyring's late answer.
    m_weatherKey->setPlaceholderText(state == WeatherTool::KeyState::reading ? tr("Reading from the keyring…")
                                                                             : QString());
}

void ToolsSettingsView::showWeatherError(const QString& text)
{
    m_weatherError->setText(text);
    m_weatherError->setVisible(!text.isEmpty());
}

void ToolsSettingsView::showPasteWarning()
{
    m_pasteWarning->setVisible(m_clipboard.pasteDirectly() && !(m_pastePermitted && m_pastePermitted()));
}

void ToolsSettingsView::showExcludedApps(const QStringList& ids)
{
    const QString text = m_excludedApps->toPlainText();
    if (text == ExcludedAppsText::format(ids) || ExcludedAppsText::parse(text) == ids)
        return;
    const QSignalBlocker blocker(m_excludedApps);
    m_excludedApps->setPlainText(ExcludedAppsText::format(ids));
}

void ToolsSettingsView::excludedAppsEdited()
{
    const QStringList ids = ExcludedAppsText::parse(m_excludedApps->toPlainText());
    // Only what changes the list is written: a layout pass alone must never turn the stored ids into the
    // field's reading of them (an empty id shows as an empty line, which reads as nothing).
    if (ids != m_clipboard.excludedAppIds())
        m_clipboard.setExcludedAppIds(ids);
}

void ToolsSettingsView::fitExcludedApps()
{
    const int lines = std::clamp(m_excludedApps->blockCount(), excludedMinLines, excludedMaxLines);
    const QMargins margins = m_excludedApps->contentsMargins();
    const int documentMargin = int(m_excludedApps->document()->documentMargin());
    m_excludedApps->setFixedHeight(lines * m_excludedApps->fontMetrics().lineSpacing() + 2 * documentMargin
                                   + margins.top() + margins.bottom());
}
