#include "Wisplet/App/TrayMenu.h"
#include "Wisplet/Base/QuietControls.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestMain.h"

namespace {

QStringList texts(const MenuItems& items)
{
    QStringList list;
    for (const MenuItem& item : items)
        list << (item.isSeparator ? QStringLiteral("-") : item.text);
    return list;
}

const MenuItem& itemNamed(const MenuItems& items, const QString& text)
{
    static const MenuItem none;
    const auto found =
        std::find_if(items.cbegin(), items.cend(), [&](const MenuItem& item) { return item.text == text; });
    return found != items.cend() ? *found : none;
}

QStringList checked(const MenuItems& items)
{
    QStringList list;
    for (const MenuItem& item : items) {
        if (item.symbol == QLatin1String("checkmark"))
            list << item.text;
    }
    return list;
}

} // namespace

class TestTrayMenu final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CompanionFixture> m_fixture;
    std::unique_ptr<QuietControls> m_quiet;
    std::unique_ptr<TrayMenu> m_menu;
    QStringList m_calls;
    bool m_paused = false;
    bool m_updatesPossible = false;

    WispState& wisp() { return *m_fixture->wisp; }

private slots:
    void init()
    {
        m_calls.clear();
        m_paused = false;
        m_updatesPossible = false;
        m_fixture = std::make_unique<CompanionFixture>();
        m_quiet = std::make_unique<QuietControls>(m_fixture->settings, m_fixture->clock);
        const auto record = [this](const char* name) { return [this, name] { m_calls << name; }; };
        m_menu = std::make_unique<TrayMenu>(
            wisp(), m_fixture->settings, *m_quiet,
            TrayMenu::Hooks{[this] { return m_paused; }, record("clipboard"), [this] { return m_updatesPossible; },
                            record("updates"), record("studio"), record("settings"), record("tour"), record("quit")});
    }

    void theMenuIsGroupedWithShortcuts()
    {
        const MenuItems items = m_menu->items();
        // A status line, the switches and choices, then the program's own items, quitting last.
        QVERIFY(!items.front().enabled);
        QVERIFY(items[1].isSeparator);
        QCOMPARE(std::count_if(items.cbegin(), items.cend(), [](const MenuItem& item) { return item.isSeparator; }), 2);
        QCOMPARE(items.back().text, QStringLiteral("Quit Wisp"));
        QCOMPARE(items.back().shortcut, QStringLiteral("Ctrl+Q"));
        QCOMPARE(itemNamed(items, "Settings…").shortcut, QStringLiteral("Ctrl+,"));
        QVERIFY(!itemNamed(items, "Check for Updates…").enabled);
        QCOMPARE(itemNamed(items, "Presentation mode — hide Wisp & pause collection").checked, std::optional(false));
        // The samples end with a group of their own.
        const QStringList samples = texts(itemNamed(items, "Try a reaction").submenu);
        QCOMPARE(samples.count(QStringLiteral("-")), 1);
        QCOMPARE(samples.indexOf(QStringLiteral("-")), samples.size() - 3);
        QCOMPARE(itemNamed(items, "Face size").submenu.size(), std::size_t(4));
    }

    void itemsFollowTheState()
    {
        wisp().react(Mood::hot, std::nullopt, false, 1, 5);
        QCOMPARE(m_menu->statusLine(), QStringLiteral("Wisp is hot"));
        wisp().fallAsleep();
        QCOMPARE(m_menu->statusLine(), QStringLiteral("Wisp is asleep"));
        wisp().togglePinned();
        m_paused = true;
        m_updatesPossible = true;
        m_fixture->settings.setPresentationMode(true);
        m_fixture->settings.setQuietMode(true);
        const MenuItems items = m_menu->items();
        QVERIFY(itemNamed(items, "Unpin panel").action.size() > 0);
        QVERIFY(itemNamed(items, "Resume clipboard capture").action.size() > 0);
        QVERIFY(itemNamed(items, "Check for Updates…").enabled);
        QCOMPARE(itemNamed(items, "Presentation mode — hide Wisp & pause collection").checked, std::optional(true));
        QCOMPARE(itemNamed(items, "Quiet on").submenu, m_quiet->items());
    }

    void theMoodMenuLeavesOutAsleepAndWakes()
    {
        MenuItems moods = itemNamed(m_menu->items(), "Mood").submenu;
        QCOMPARE(moods.size(), std::size_t(11));
        QVERIFY(!texts(moods).contains(QStringLiteral("Asleep")));
        QCOMPARE(checked(moods), QStringList{"Happy"});

        wisp().fallAsleep();
        QVERIFY(m_menu->trigger(itemNamed(moods, "Wink").action));
        QCOMPARE(wisp().baseMood(), Mood::wink);
        QVERIFY(!wisp().isAsleep());
        QVERIFY(!wisp().transientMood()); // woken silently

        wisp().setBaseMood(Mood::asleep);
        QVERIFY(checked(itemNamed(m_menu->items(), "Mood").submenu).isEmpty());
    }

    void choicesAndHooks()
    {
        const MenuItems items = m_menu->items();
        QVERIFY(m_menu->trigger(itemNamed(itemNamed(items, "Face size").submenu, "Huge").action));
        QCOMPARE(m_fixture->settings.faceSize(), FaceSize::huge);
        QCOMPARE(checked(itemNamed(m_menu->items(), "Face size").submenu), QStringList{"Huge"});

        QVERIFY(m_menu->trigger(itemNamed(items, "Presentation mode — hide Wisp & pause collection").action));
        QVERIFY(m_fixture->settings.presentationMode());
        QVERIFY(m_menu->trigger(itemNamed(items, "Pin panel open").action));
        QVERIFY(wisp().isPinnedOpen());
        QVERIFY(m_menu->trigger(itemNamed(itemNamed(items, "Quiet").submenu, "Quiet until turned off").action));
        QVERIFY(m_fixture->settings.quietMode());

        for (const char* text : {"Pause clipboard capture", "Expression studio…", "Settings…", "Check for Updates…",
                                 "Welcome tour", "Quit Wisp"})
            QVERIFY(m_menu->trigger(itemNamed(items, text).action));
        // The update check is not offered while the updater cannot run.
        QCOMPARE(m_calls, (QStringList{"clipboard", "studio", "settings", "tour", "quit"}));
        QVERIFY(!m_menu->trigger(QStringLiteral("mood.Happy")));
        QVERIFY(!m_menu->trigger(QStringLiteral("sample.13")));
    }

    void samplesGoThroughTheNormalRules()
    {
        const MenuItems samples = itemNamed(m_menu->items(), "Try a reaction").submenu;
        QVERIFY(m_menu->trigger(itemNamed(samples, "Battery low").action));
        QCOMPARE(wisp().bubble(), QStringLiteral("Battery low!"));
        m_fixture->scheduler.advance(5'000);
        QVERIFY(m_menu->trigger(itemNamed(samples, "Clipboard copied").action)); // its group is off
        QVERIFY(!wisp().transientMood());
        QVERIFY(m_menu->trigger(itemNamed(samples, "Fall asleep").action));
        QVERIFY(wisp().isAsleep());
    }
};

WISPLET_TEST_MAIN(TestTrayMenu)
#include "tst_traymenu.moc"
