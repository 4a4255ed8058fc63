#include "Wisplet/Base/MenuBuilder.h"
#include "Wisplet/Base/QuietControls.h"
#include "Wisplet/Base/QuietControlsButton.h"
#include "tests/support/Fixtures.h"
#include "tests/support/WidgetsTestMain.h"

#include <QMenu>
#include <QTimeZone>

namespace {

const QLocale unitedStates(QLocale::English, QLocale::UnitedStates);
const QLocale germany(QLocale::German, QLocale::Germany);
// The choices below the lines about the current period: three lengths, a separator, presentation.
constexpr qsizetype choiceCount = 5;

// The test main pins this zone.
QDateTime aucklandTime(QDate date, QTime time)
{
    return QDateTime(date, time, QTimeZone("Pacific/Auckland")).toUTC();
}

// Separators read "-", lines that cannot be chosen are put in brackets.
QStringList describe(const MenuItems& items)
{
    QStringList texts;
    for (const MenuItem& item : items)
        texts << (item.isSeparator ? QStringLiteral("-") : item.enabled ? item.text : u'[' + item.text + u']');
    return texts;
}

// The same for a menu as Qt shows it, with "✓" after checked entries and "▸" before submenus.
QStringList describe(const QMenu& menu)
{
    QStringList texts;
    for (const QAction* action : menu.actions()) {
        QString text = action->isSeparator() ? QStringLiteral("-") : action->iconText();
        if (action->menu())
            text.prepend(u'▸');
        if (action->isChecked())
            text.append(u'✓');
        texts << (action->isEnabled() ? text : u'[' + text + u']');
    }
    return texts;
}

struct Period
{
    QLocale locale;
    QDateTime chosenAt;
    QString choice;
    QStringList firstGroup;
};

struct Choice
{
    bool startQuiet = false;
    QString choice;
    bool quiet = false;
    int endInSeconds = 0; // 0: no end
    bool presentation = false;
};

} // namespace

Q_DECLARE_METATYPE(Period)
Q_DECLARE_METATYPE(Choice)

class TestQuietControls final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SettingsFixture> m_fixture;

    void choose(QuietControls& controls, const QString& text)
    {
        for (const MenuItem& item : controls.items()) {
            if (item.text == text) {
                QVERIFY(controls.trigger(item.action));
                return;
            }
        }
        QFAIL(qPrintable(QStringLiteral("no item ") + text));
    }

private slots:
    void init()
    {
        m_fixture = std::make_unique<SettingsFixture>();
        m_fixture->clock.setNow(aucklandTime(QDate(2026, 3, 1), QTime(14, 5)));
    }

    void itemsFollowTheQuietPeriod_data()
    {
        QTest::addColumn<Period>("row");
        const QDateTime afternoon = aucklandTime(QDate(2026, 3, 1), QTime(14, 5));
        const QString off = QStringLiteral("Turn Quiet Mode off");
        const QString sep = QStringLiteral("-");
        QTest::newRow("quiet off") << Period{unitedStates, afternoon, {}, {}};
        QTest::newRow("until turned off") << Period{unitedStates, afternoon, "Quiet until turned off", {off, sep}};
        QTest::newRow("one hour, 12-hour clock")
            << Period{unitedStates, afternoon, "Quiet for 1 hour", {"[Quiet until 3:05 PM]", off, sep}};
        QTest::newRow("C locale, no seconds")
            << Period{QLocale::c(), afternoon, "Quiet for 1 hour", {"[Quiet until 15:05]", off, sep}};
        QTest::newRow("past midnight, last of the month") << Period{germany,
                                                                    aucklandTime(QDate(2026, 3, 31), QTime(23, 50)),
                                                                    "Quiet for 30 minutes",
                                                                    {"[Quiet until 00:20]", off, sep}};
        // 02:30 in daylight saving time; at 03:00 the clocks go back to 02:00.
        QTest::newRow("across the end of daylight saving")
            << Period{germany,
                      QDateTime(QDate(2026, 4, 4), QTime(13, 30), Qt::UTC),
                      "Quiet for 1 hour",
                      {"[Quiet until 02:30]", off, sep}};
    }

    void itemsFollowTheQuietPeriod()
    {
        QFETCH(Period, row);
        m_fixture->clock.setNow(row.chosenAt);
        QuietControls controls(m_fixture->settings, m_fixture->clock, row.locale);
        if (!row.choice.isEmpty())
            choose(controls, row.choice);

        const QStringList items = describe(controls.items());
        QCOMPARE(items.mid(0, row.firstGroup.size()), row.firstGroup);
        QCOMPARE(items.size(), row.firstGroup.size() + choiceCount);
        QCOMPARE(controls.labelText(), row.choice.isEmpty() ? "Quiet" : "Quiet on");
        QCOMPARE(controls.labelSymbol(), m_fixture->settings.quietMode() ? "bell.slash.fill" : "bell");
        const MenuItem submenu = controls.submenuItem();
        QCOMPARE(submenu.text, controls.labelText());
        QCOMPARE(submenu.submenu, controls.items());
    }

    void choicesChangeTheSettings_data()
    {
        QTest::addColumn<Choice>("row");
        QTest::newRow("30 minutes") << Choice{false, "Quiet for 30 minutes", true, 1800, false};
        QTest::newRow("1 hour replaces a timed period") << Choice{true, "Quiet for 1 hour", true, 3600, false};
        QTest::newRow("until turned off removes the end") << Choice{true, "Quiet until turned off", true, 0, false};
        QTest::newRow("turn off") << Choice{true, "Turn Quiet Mode off", false, 0, false};
        QTest::newRow("presentation leaves quiet mode alone")
            << Choice{true, "Hide Wisp for a presentation", true, 1200, true};
    }

    void choicesChangeTheSettings()
    {
        QFETCH(Choice, row);
        QuietControls controls(m_fixture->settings, m_fixture->clock, unitedStates);
        if (row.startQuiet) {
            controls.quietFor(1800);
            m_fixture->clock.advance(10 * 60 * 1000);
        }
        choose(controls, row.choice);

        QCOMPARE(m_fixture->settings.quietMode(), row.quiet);
        QCOMPARE(m_fixture->defaults.boolValue(QStringLiteral("quietMode")), row.quiet);
        QCOMPARE(m_fixture->settings.presentationMode(), row.presentation);
        const bool timed = row.endInSeconds != 0;
        const QDateTime end = m_fixture->clock.now().addSecs(row.endInSeconds);
        QCOMPARE(m_fixture->settings.quietUntil(), timed ? std::optional(end) : std::nullopt);
        QCOMPARE(m_fixture->defaults.contains(QStringLiteral("quietUntil")), timed);
        QCOMPARE(m_fixture->settings.isQuietTimerArmed(), timed);
        QCOMPARE(m_fixture->scheduler.pendingCount(), timed ? 1 : 0);
    }

    void aTimedPeriodEndsOnItsOwn()
    {
        QuietControls controls(m_fixture->settings, m_fixture->clock, unitedStates);
        QSignalSpy changed(&controls, &QuietControls::changed);
        controls.quietFor(1800);
        QVERIFY(!changed.isEmpty());

        changed.clear();
        m_fixture->scheduler.advance(1800 * 1000);
        QVERIFY(!changed.isEmpty());
        QCOMPARE(controls.labelText(), "Quiet");
        QCOMPARE(controls.items().size(), std::size_t(choiceCount));
    }

    void builderShowsTheItemsAsWritten()
    {
        MenuItem disabled = MenuItem::command(QStringLiteral("Updates"), QStringLiteral("update"));
        disabled.enabled = false;
        const MenuItems items{
            MenuItem::line(QStringLiteral("Status")),
            MenuItem::separator(),
            MenuItem::toggle(QStringLiteral("Hide & pause"), true, QStringLiteral("presentation")),
            MenuItem::nested(QStringLiteral("Mood"),
                             {MenuItem::command(QStringLiteral("Happy"), QStringLiteral("mood.happy"))}),
            disabled,
        };
        QMenu menu;
        QStringList chosen;
        const auto record = [&chosen](const QString& action) { chosen << action; };
        MenuBuilder::fill(menu, items, record);
        MenuBuilder::fill(menu, items, record);

        // "&" is shown as itself, not taken for a mnemonic; filling again replaces what was there.
        QCOMPARE(describe(menu), (QStringList{"[Status]", "-", "Hide & pause✓", "▸Mood", "[Updates]"}));
        QCOMPARE(menu.findChildren<QMenu*>().size(), 1);
        const QMenu* submenu = menu.actions().at(3)->menu();
        QCOMPARE(describe(*submenu), QStringList{"Happy"});

        submenu->actions().first()->trigger();
        menu.actions().at(2)->trigger();
        menu.actions().at(0)->trigger();
        QCOMPARE(chosen, (QStringList{"mood.happy", "presentation"}));
    }

    void buttonFollowsTheSettings()
    {
        QuietControls controls(m_fixture->settings, m_fixture->clock, unitedStates);
        QuietControlsButton button(controls);
        QCOMPARE(button.text(), "Quiet");
        QCOMPARE(button.popupMode(), QToolButton::InstantPopup);
        QMenu& menu = *button.menu();
        emit menu.aboutToShow();
        QCOMPARE(describe(menu), describe(controls.items()));

        menu.actions().at(1)->trigger();
        QVERIFY(m_fixture->settings.quietMode());
        QCOMPARE(m_fixture->settings.quietUntil(), m_fixture->clock.now().addSecs(3600));
        QCOMPARE(button.text(), "Quiet on");

        emit menu.aboutToShow();
        QCOMPARE(describe(menu), describe(controls.items()));
        menu.actions().last()->trigger();
        QVERIFY(m_fixture->settings.presentationMode());
        QVERIFY(m_fixture->settings.quietMode());
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestQuietControls)
#include "tst_quietcontrols.moc"
