#include "Wisplet/App/AppDelegate.h"
#include "Wisplet/App/HotKeys.h"
#include "Wisplet/App/PanelControl.h"
#include "Wisplet/App/TrayIcon.h"
#include "Wisplet/App/TrayMenu.h"
#include "Wisplet/Base/DropDownButton.h"
#include "Wisplet/Base/KeyboardPaths.h"
#include "Wisplet/Base/QuietControls.h"
#include "Wisplet/Base/QuietControlsButton.h"
#include "Wisplet/Companion/CompanionSpriteView.h"
#include "Wisplet/Notch/FileDropTarget.h"
#include "Wisplet/Notch/HeaderButton.h"
#include "Wisplet/Notch/NotchPanel.h"
#include "Wisplet/Notch/NotchRootView.h"
#include "Wisplet/Notch/ToolPanelView.h"
#include "Wisplet/Notch/ToolSwitcherView.h"
#include "Wisplet/Notch/ToolTab.h"
#include "Wisplet/Platform/QtScreenProvider.h"
#include "Wisplet/Platform/ScreenChanges.h"
#include "Wisplet/Platform/X11WindowService.h"
#include "Wisplet/Platform/XcbKeyGrabber.h"
#include "tests/support/FakePeekSources.h"
#include "tests/support/RealPanel.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/WidgetsTestMain.h"
#include "tests/support/XTools.h"

#include <QLineEdit>
#include <QMenu>

using XTools::timeoutMs;

namespace {

// The delegate drives the real panel, as the program's own adapter does.
class PanelAdapter final : public PanelControl
{
public:
    explicit PanelAdapter(NotchPanel& panel)
        : m_panel(panel)
    { }
    void reposition() override { m_panel.reposition(); }
    void releaseFocus() override { m_panel.releaseFocus(); }
    void orderFront() override { m_panel.show(); }
    void orderOut() override { m_panel.hide(); }
    void openForTool() override { m_panel.openForTool(); }

private:
    NotchPanel& m_panel;
};

// One thing the user does (xdotool's arguments) and what must hold once the program has answered.
struct Step
{
    QStringList keys;
    std::function<bool()> until;
};

struct KeyPath
{
    // The panel has the focus, the switcher closed, before the first step.
    bool focusedFirst;
    QList<Step> steps;
};

} // namespace

Q_DECLARE_METATYPE(KeyPath)

// Keys as the user presses them, through the X server, into the real panel with the real hot keys, the
// delegate's reactions and the tray menu's shortcuts.
class TestKeyboardPaths final : public QObject
{
    Q_OBJECT

private:
    RegistryFixture m_fixture;
    std::unique_ptr<RealPanel> m_real;
    NotchRootView* m_root = nullptr;
    NotchPanel* m_panel = nullptr;
    std::unique_ptr<PanelAdapter> m_adapter;
    std::unique_ptr<GlobalKeyGrabber> m_grabber;
    std::unique_ptr<HotKeys> m_hotKeys;
    std::unique_ptr<ScreenChanges> m_screenChanges;
    std::unique_ptr<AppDelegate> m_delegate;
    std::unique_ptr<QuietControls> m_quiet;
    std::unique_ptr<TrayMenu> m_trayMenu;
    std::unique_ptr<TrayIcon> m_tray;
    int m_quits = 0;
    int m_settingsOpened = 0;

    QLineEdit* searchField() const
    {
        ToolSwitcherView* switcher = m_root->toolPanel()->switcher();
        return switcher ? switcher->searchField() : nullptr;
    }
    bool panelFocused() const { return m_panel->isActiveWindow(); }
    // Open, focused and ready for typing.
    bool switcherTyping() const
    {
        return panelFocused() && searchField() && searchField()->hasFocus() && m_fixture.registry->switcherPresented();
    }
    // No tab but the selected one holds the keyboard, whose ring would read as a second selected tab.
    bool keyboardOnSelectedTab() const
    {
        const auto* tab = qobject_cast<const ToolTab*>(QApplication::focusWidget());
        return panelFocused() && (!tab || tab->tool() == m_fixture.registry->selected());
    }
    // The focused control wears the focus ring: some of its pixels are the ring's colour.
    static bool ringShown()
    {
        QWidget* focused = QApplication::focusWidget();
        if (!focused)
            return false;
        const QImage shown = focused->grab().toImage();
        const QRgb ring = KeyboardPaths::focusRingColour().rgb();
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                if (shown.pixel(x, y) == ring)
                    return true;
            }
        }
        return false;
    }
    bool switcherClosed() const { return !m_fixture.registry->switcherPresented() && !searchField(); }
    QString query() const { return searchField() ? searchField()->text() : QString(); }

private slots:
    void initTestCase()
    {
        m_fixture.load();
        m_fixture.registry->setEnabled({ToolID::focus, ToolID::notes, ToolID::files});
        m_real = std::make_unique<RealPanel>(m_fixture);
        m_root = m_real->root;
        m_panel = m_real->panel.get();
        m_adapter = std::make_unique<PanelAdapter>(*m_panel);
        m_grabber = XcbKeyGrabber::forApplication();
        m_hotKeys = std::make_unique<HotKeys>(
            HotKeys::Services{*m_grabber, m_fixture.settings, *m_fixture.wisp, *m_fixture.registry, m_fixture.events,
                              [this] { m_panel->setAttribute(Qt::WA_KeyboardFocusChange); }});
        m_screenChanges = std::make_unique<ScreenChanges>();
        AppDelegate::Steps steps;
        steps.registerHotKeys = [this](bool enabled, const QString& key) { m_hotKeys->registerHotKeys(enabled, key); };
        m_delegate =
            std::make_unique<AppDelegate>(AppDelegate::Parts{*m_fixture.wisp, m_fixture.settings, m_fixture.events,
                                                             m_fixture.scheduler, *m_adapter, *m_screenChanges, false},
                                          std::move(steps));
        m_quiet = std::make_unique<QuietControls>(m_fixture.settings, m_fixture.clock);
        TrayMenu::Hooks hooks;
        hooks.openSettings = [this] { m_fixture.events.postOpenSettings(); };
        hooks.quit = [this] { ++m_quits; };
        m_trayMenu = std::make_unique<TrayMenu>(*m_fixture.wisp, m_fixture.settings, *m_quiet, hooks);
        m_tray = std::make_unique<TrayIcon>(*m_trayMenu);
        m_tray->addShortcutsTo(*m_panel);
        connect(&m_fixture.events, &AppEvents::openSettings, this, [this] { ++m_settingsOpened; });

        m_delegate->launch();
        QVERIFY(!m_fixture.settings.shortcutError());
        QTRY_VERIFY_WITH_TIMEOUT(m_panel->windowHandle()->isExposed(), timeoutMs);
    }

    void init()
    {
        m_fixture.settings.setQuietMode(false);
        // A tool opened from the switcher is enabled on the way.
        m_fixture.registry->setEnabled({ToolID::focus, ToolID::notes, ToolID::files});
        m_quits = 0;
        m_settingsOpened = 0;
        m_fixture.registry->setSelected(ToolID::focus);
        // Each path starts as one who has only used the mouse.
        m_panel->setAttribute(Qt::WA_KeyboardFocusChange, false);
    }

    void cleanup()
    {
        m_fixture.registry->setSwitcherPresented(false);
        m_fixture.wisp->collapse();
        QTRY_VERIFY_WITH_TIMEOUT(!panelFocused(), timeoutMs);
    }

    void keys_data()
    {
        QTest::addColumn<KeyPath>("path");
        const auto open = [this] { return switcherTyping() && query().isEmpty(); };
        QTest::newRow("Escape closes the switcher, a second the panel")
            << KeyPath{false,
                       {{{"key", "ctrl+alt+k"}, open},
                        {{"type", "wea"}, [this] { return query() == QLatin1String("wea"); }},
                        {{"key", "Escape"},
                         [this] { return switcherClosed() && panelFocused() && m_fixture.wisp->isPinnedOpen(); }},
                        {{"key", "ctrl+alt+k"}, open},
                        {{"key", "Escape"}, [this] { return switcherClosed() && panelFocused(); }},
                        {{"key", "Escape"}, [this] { return !panelFocused() && !m_fixture.wisp->isPinnedOpen(); }}}};
        QTest::newRow("Ctrl+Alt+K in the focused panel, then notes and Return") << KeyPath{
            true,
            {{{"key", "ctrl+alt+k"}, open},
             {{"type", "notes"}, [this] { return query() == QLatin1String("notes"); }},
             {{"key", "Return"}, [this] {
                  return m_fixture.registry->selected() == ToolID::notes && switcherClosed() && panelFocused();
              }}}};
        QTest::newRow("Tab and the arrows stay in the search field")
            << KeyPath{false,
                       {{{"key", "ctrl+alt+k"}, open},
                        {{"key", "Tab", "Down", "Down", "space"},
                         [this] { return switcherTyping() && query() == QLatin1String(" "); }},
                        {{"key", "Return"}, [this] { return m_fixture.registry->selected() == ToolID::media; }}}};
        QTest::newRow("the hot key shows where the keyboard is")
            << KeyPath{false, {{{"key", "ctrl+alt+1"}, [this] {
                                    return m_fixture.registry->selected() == ToolID::focus && keyboardOnSelectedTab()
                                        && ringShown();
                                }}}};
        QTest::newRow("Ctrl+Alt+2 and 1 leave the keyboard on the selected tab")
            << KeyPath{false,
                       {{{"key", "ctrl+alt+2"},
                         [this] { return m_fixture.registry->selected() == ToolID::notes && keyboardOnSelectedTab(); }},
                        {{"key", "ctrl+alt+1"}, [this] {
                             return m_fixture.registry->selected() == ToolID::focus && keyboardOnSelectedTab();
                         }}}};
        const auto focused = [this](const QWidget* control) {
            return [this, control] { return panelFocused() && QApplication::focusWidget() == control; };
        };
        const auto onFocusTab = [this] {
            return m_fixture.registry->selected() == ToolID::focus && keyboardOnSelectedTab();
        };
        // The drop-down's menu runs a loop of its own until it closes: one xdotool call opens and chooses.
        QTest::newRow("Shift+Tab from the tabs reaches settings, pin and Quiet; Space opens Quiet's menu")
            << KeyPath{false,
                       {{{"key", "ctrl+alt+1"}, onFocusTab},
                        {{"key", "shift+Tab"}, focused(m_root->settingsButton())},
                        {{"key", "shift+Tab"}, focused(m_root->pinButton())},
                        {{"key", "shift+Tab"}, focused(m_root->quietButton())},
                        {{"key", "space", "Down", "Return"}, [this] { return m_fixture.settings.quietMode(); }}}};
        QTest::newRow("Tab from the last tab reaches More and search")
            << KeyPath{false,
                       {{{"key", "ctrl+alt+3"},
                         [this] { return m_fixture.registry->selected() == ToolID::files && keyboardOnSelectedTab(); }},
                        {{"key", "Tab"}, focused(m_root->toolPanel()->overflowButton())},
                        {{"key", "Tab"}, focused(m_root->toolPanel()->findChild<QWidget*>(QStringLiteral("search")))}}};
        QTest::newRow("Ctrl+Q quits") << KeyPath{true, {{{"key", "ctrl+q"}, [this] { return m_quits == 1; }}}};
        QTest::newRow("Ctrl+comma opens the settings")
            << KeyPath{true, {{{"key", "ctrl+comma"}, [this] { return m_settingsOpened == 1; }}}};
    }

    void keys()
    {
        QFETCH(KeyPath, path);
        if (path.focusedFirst) {
            m_panel->takeFocus();
            QTRY_VERIFY_WITH_TIMEOUT(panelFocused(), timeoutMs);
        }
        for (const Step& step : std::as_const(path.steps)) {
            QVERIFY(XTools::xdotool(step.keys));
            QTRY_VERIFY2_WITH_TIMEOUT(step.until(), qPrintable(step.keys.join(' ')), timeoutMs);
        }
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestKeyboardPaths)
#include "tst_keyboardpaths.moc"
