#include "Wisplet/Base/MenuBuilder.h"
#include "Wisplet/Base/QuietControls.h"
#include "Wisplet/Base/QuietControlsButton.h"
#include "tests/support/Fixtures.h"
#include "tests/support/WidgetsTestMain.h"

#include <QMenu>

namespace {

// What the menu shows: "-" for a separator, brackets around disabled entries, "✓" after checked ones,
// "▸" before submenus, with the characters Qt actually draws ("&&" is one "&").
QStringList describe(const QMenu& menu)
{
    QStringList texts;
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            texts << QStringLiteral("-");
            continue;
        }
        QString text = action->iconText();
        if (action->menu())
            text.prepend(u'▸');
        if (action->isChecked())
            text.append(u'✓');
        texts << (action->isEnabled() ? text : u'[' + text + u']');
    }
    return texts;
}

QAction* findAction(const QMenu& menu, const QString& text)
{
    for (QAction* action : menu.actions()) {
        if (action->iconText() == text)
            return action;
    }
    return nullptr;
}

} // namespace

class TestQuietControlsButton final : public QObject
{
    Q_OBJECT

private:
    SettingsFixture m_fixture;
    QuietControls m_controls{m_fixture.settings, m_fixture.clock, QLocale(QLocale::English, QLocale::UnitedStates)};

private slots:
    void initTestCase()
    {
        m_fixture.clock.setNow(QDateTime(QDate(2026, 3, 1), QTime(1, 5), Qt::UTC));
    } // 14:05 in Auckland

    void builderShowsTheItemsAsWritten()
    {
        MenuItem disabled = MenuItem::command(QStringLiteral("Check for Updates…"), QStringLiteral("update"));
        disabled.enabled = false;
        const MenuItems items{
            MenuItem::line(QStringLiteral("Wisp is happy")),
            MenuItem::separator(),
            MenuItem::toggle(QStringLiteral("Presentation mode — hide Wisp & pause collection"), true,
                             QStringLiteral("presentation")),
            MenuItem::nested(QStringLiteral("Mood"),
                             {MenuItem::command(QStringLiteral("Happy"), QStringLiteral("mood.happy"))}),
            disabled,
        };
        QMenu menu;
        QStringList chosen;
        const auto record = [&chosen](const QString& action) { chosen << action; };
        MenuBuilder::fill(menu, items, record);
        MenuBuilder::fill(menu, items, record);

        QCOMPARE(describe(menu),
                 (QStringList{"[Wisp is happy]", "-", "Presentation mode — hide Wisp & pause collection✓", "▸Mood",
                              "[Check for Updates…]"}));
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
        QuietControlsButton button(m_controls);
        QCOMPARE(button.toolTip(), QStringLiteral("Manage Wisp\u2019s reactions and notifications"));
        QCOMPARE(button.text(), "Quiet");
        QCOMPARE(button.popupMode(), QToolButton::InstantPopup);
        QMenu& menu = *button.menu();
        emit menu.aboutToShow();
        QCOMPARE(describe(menu),
                 (QStringList{"Quiet for 30 minutes", "Quiet for 1 hour", "Quiet until turned off", "-",
                              "Hide Wisp for a presentation"}));

        findAction(menu, QStringLiteral("Quiet for 1 hour"))->trigger();
        QVERIFY(m_fixture.settings.quietMode());
        QCOMPARE(m_fixture.settings.quietUntil(), m_fixture.clock.now().addSecs(3600));
        QCOMPARE(button.text(), "Quiet on");

        emit menu.aboutToShow();
        QCOMPARE(describe(menu).mid(0, 3), (QStringList{"[Quiet until 3:05 PM]", "Turn Quiet Mode off", "-"}));
        findAction(menu, QStringLiteral("Hide Wisp for a presentation"))->trigger();
        QVERIFY(m_fixture.settings.presentationMode());
        QVERIFY(m_fixture.settings.quietMode());
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestQuietControlsButton)
#include "tst_quietcontrolsbutton.moc"
