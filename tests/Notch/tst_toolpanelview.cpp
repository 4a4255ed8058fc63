#include "Wisplet/Base/Animation.h"
#include "Wisplet/Base/DropDownButton.h"
#include "Wisplet/Notch/HeaderButton.h"
#include "Wisplet/Notch/ToolPanelView.h"
#include "Wisplet/Notch/ToolSwitcher.h"
#include "Wisplet/Notch/ToolSwitcherView.h"
#include "Wisplet/Notch/ToolTab.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/WidgetsTestMain.h"

#include <QAction>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

namespace {

QStringList list(const char* names)
{
    return QString::fromLatin1(names).split(u' ', Qt::SkipEmptyParts);
}

// The menu as drawn: "-" for a separator.
QStringList describe(const QMenu& menu)
{
    QStringList texts;
    for (const QAction* action : menu.actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->iconText());
    return texts;
}

QAction* menuAction(const QMenu& menu, const QString& text)
{
    for (QAction* action : menu.actions()) {
        if (action->iconText() == text)
            return action;
    }
    return nullptr;
}

// The panel's pages come from the maker it is given: here a label naming the tool.
QWidget* namedPage(ToolID tool, QWidget* parent)
{
    auto* page = new QLabel(rawValue(tool), parent);
    page->setObjectName(QStringLiteral("page"));
    return page;
}

QString pageTitle(const QWidget* page)
{
    const auto* label = qobject_cast<const QLabel*>(page);
    return label && label->objectName() == QStringLiteral("page") ? label->text() : QString();
}

QStringList shownRows(const ToolSwitcherView& switcher)
{
    QStringList names;
    for (const ToolSwitcherRow* row : switcher.rows()) {
        if (!row->isHidden())
            names << rawValue(row->tool());
    }
    return names;
}

QStringList rowsMarkedEnable(const ToolSwitcherView& switcher)
{
    QStringList names;
    for (const ToolSwitcherRow* row : switcher.rows()) {
        if (row->showsEnable())
            names << rawValue(row->tool());
    }
    return names;
}

double opacityOf(const QWidget* widget)
{
    const auto* effect = qobject_cast<const QGraphicsOpacityEffect*>(widget->graphicsEffect());
    return effect ? effect->opacity() : 1.0;
}

void flushDeletions()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A registry with the given tools enabled and selected, and a panel over it on a fake animation clock.
struct PanelFixture : RegistryFixture
{
    PanelFixture(const char* enabled, ToolID selected)
    {
        load();
        registry->setEnabled(toolSet(list(enabled)));
        registry->setSelected(selected);
        panel = std::make_unique<ToolPanelView>(*registry, settings, animation, namedPage);
        panel->resize(640, 330);
    }

    void showActive()
    {
        panel->show();
        QVERIFY(QTest::qWaitForWindowActive(panel.get()));
    }

    ToolTab* tab(ToolID tool) const { return panel->findChild<ToolTab*>(rawValue(tool)); }
    QMenu& openMenu() const
    {
        QMenu& menu = *panel->overflowButton()->menu();
        emit menu.aboutToShow();
        return menu;
    }

    AnimationClock animation{clock};
    std::unique_ptr<ToolPanelView> panel;
};

struct Tabs
{
    const char* enabled = "";
    ToolID selected = ToolID::focus;
    const char* tabs = "";
    QString label;
    QStringList menu;
};

struct Step
{
    const char* enabled = "";
    ToolID selected = ToolID::focus;
    int delta = 0;
    ToolID expected = ToolID::focus;
};

struct Search
{
    QString query;
    const char* expected = "";
};

} // namespace

Q_DECLARE_METATYPE(Tabs)
Q_DECLARE_METATYPE(Step)
Q_DECLARE_METATYPE(Search)

// The tool panel: its tabs, overflow menu, pages and the switcher over them.
class TestToolPanelView final : public QObject
{
    Q_OBJECT

private slots:
    void tabsMenuAndContentFollowTheRegistry_data()
    {
        QTest::addColumn<Tabs>("row");
        const QString find = QStringLiteral("Find or enable a tool…");
        QTest::newRow("exactly four, the last selected")
            << Tabs{"focus clipboard notes links", ToolID::links, "focus clipboard notes links", "More", {"-", find}};
        QTest::newRow("six, the sixth selected") << Tabs{"focus clipboard notes links system media",
                                                         ToolID::media,
                                                         "focus clipboard notes links",
                                                         "Now Playing",
                                                         {"System", "Now Playing", "-", find}};
        QTest::newRow("selected tool not visible")
            << Tabs{"focus notes", ToolID::weather, "focus notes", "Weather", {"-", find}};
    }

    void tabsMenuAndContentFollowTheRegistry()
    {
        QFETCH(Tabs, row);
        PanelFixture f(row.enabled, row.selected);

        QStringList names;
        for (const ToolTab* tab : f.panel->tabs()) {
            names << rawValue(tab->tool());
            QCOMPARE(tab->isSelected(), tab->tool() == row.selected);
            QCOMPARE(tab->accessibleDescription().isEmpty(), tab->tool() != row.selected);
        }
        QCOMPARE(names, list(row.tabs));
        QCOMPARE(f.panel->overflowButton()->text(), row.label);
        QCOMPARE(describe(f.openMenu()), row.menu);
        // The selected tool's page, visible or not, from the maker the panel was given.
        QCOMPARE(pageTitle(f.panel->contentView()), rawValue(row.selected));
        QVERIFY(f.panel->emptyState()->isHidden());
    }

    void switcherMatches_data()
    {
        QTest::addColumn<Search>("row");
        QTest::newRow("empty keeps all in declaration order")
            << Search{{}, "focus clipboard notes links system media calendar weather business files"};
        QTest::newRow("any case") << Search{QStringLiteral("nOw"), "media"};
        QTest::newRow("leading space is kept") << Search{QStringLiteral(" Playing"), "media"};
        QTest::newRow("inside a word") << Search{QStringLiteral("ath"), "weather"};
    }

    void switcherMatches()
    {
        QFETCH(Search, row);
        QCOMPARE(toolNames(ToolSwitcher::matches(row.query)), list(row.expected));
    }

    void menuAndSearchButtonOpenToolsAndTheSwitcher()
    {
        PanelFixture f("focus clipboard notes links system media", ToolID::focus);
        QSignalSpy opened(&f.events, &AppEvents::openTool);
        menuAction(f.openMenu(), QStringLiteral("Now Playing"))->trigger();
        QCOMPARE(f.registry->selected(), ToolID::media);
        QCOMPARE(opened.size(), 1);
        QVERIFY(f.wisp->isPinnedOpen());
        QCOMPARE(f.panel->overflowButton()->text(), QStringLiteral("Now Playing"));
        QVERIFY(
            std::none_of(f.panel->tabs().cbegin(), f.panel->tabs().cend(), [](ToolTab* t) { return t->isSelected(); }));

        menuAction(f.openMenu(), QStringLiteral("Find or enable a tool…"))->trigger();
        QVERIFY(f.registry->switcherPresented());
        f.registry->setSwitcherPresented(false);
        f.panel->searchButton()->click();
        QVERIFY(f.registry->switcherPresented());
    }

    void withNoToolOnlyTheEmptyStateShows()
    {
        PanelFixture f("", ToolID::notes);
        QVERIFY(!f.panel->emptyState()->isHidden());
        QVERIFY(!f.panel->overflowButton()->isVisibleTo(f.panel.get()));
        QVERIFY(!f.panel->searchButton()->isVisibleTo(f.panel.get()));
        QVERIFY(f.panel->tabs().isEmpty());
        QVERIFY(!f.panel->contentView());
        f.panel->emptyState()->findChild<QPushButton*>()->click();
        QVERIFY(f.registry->switcherPresented());

        f.registry->open(ToolID::weather);
        QVERIFY(f.panel->emptyState()->isHidden());
        QCOMPARE(pageTitle(f.panel->contentView()), QStringLiteral("weather"));
    }

    void stepWrapsThroughTheVisibleTools_data()
    {
        QTest::addColumn<Step>("row");
        const char* three = "focus notes files";
        QTest::newRow("next from the last wraps") << Step{three, ToolID::files, 1, ToolID::focus};
        QTest::newRow("previous from the first wraps") << Step{three, ToolID::focus, -1, ToolID::files};
        QTest::newRow("next from a hidden tool") << Step{three, ToolID::weather, 1, ToolID::notes};
        QTest::newRow("previous from a hidden tool") << Step{three, ToolID::weather, -1, ToolID::files};
        QTest::newRow("no tool") << Step{"", ToolID::links, 1, ToolID::links};
    }

    void stepWrapsThroughTheVisibleTools()
    {
        QFETCH(Step, row);
        PanelFixture f(row.enabled, row.selected);
        f.registry->setSwitcherPresented(true);
        QSignalSpy opened(&f.events, &AppEvents::openTool);
        f.panel->step(row.delta);
        QCOMPARE(f.registry->selected(), row.expected);
        // Stepping only selects.
        QVERIFY(f.registry->switcherPresented());
        QVERIFY(!f.wisp->isPinnedOpen());
        QCOMPARE(opened.size(), 0);
        QCOMPARE(sortedToolNames(f.registry->enabled()), sortedToolNames(toolSet(list(row.enabled))));
    }

    void shortcutsFollowTheHotKeySetting_data()
    {
        QTest::addColumn<bool>("hotkeys");
        QTest::newRow("hot keys on") << true;
        QTest::newRow("hot keys off") << false;
    }

    void shortcutsFollowTheHotKeySetting()
    {
        QFETCH(bool, hotkeys);
        PanelFixture f("focus notes files", ToolID::focus);
        f.settings.setHotkeyEnabled(hotkeys);

        QList<bool> enabled;
        for (const QAction* action : f.panel->shortcutActions())
            enabled << action->isEnabled();
        // The switcher, four digits, next and previous; three favourites leave the fourth digit without a tool.
        QCOMPARE(enabled, (QList<bool>{hotkeys, hotkeys, hotkeys, hotkeys, false, true, true}));

        f.showActive();
        QTest::keyClick(f.panel.get(), Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(f.registry->switcherPresented(), hotkeys);
        f.registry->setSwitcherPresented(false);
        QTest::keyClick(f.panel.get(), Qt::Key_2, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(f.registry->selected(), hotkeys ? ToolID::notes : ToolID::focus);
        QCOMPARE(f.wisp->isPinnedOpen(), hotkeys);
        QTest::keyClick(f.panel.get(), Qt::Key_BracketRight, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(f.registry->selected(), hotkeys ? ToolID::files : ToolID::notes);
        QTest::keyClick(f.panel.get(), Qt::Key_BracketLeft, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(f.panel.get(), Qt::Key_BracketLeft, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(f.registry->selected(), hotkeys ? ToolID::focus : ToolID::files);
    }

    void aNewSelectionGetsAFreshViewThatFadesIn_data()
    {
        QTest::addColumn<bool>("motionReduced");
        QTest::newRow("fading") << false;
        QTest::newRow("motion reduced") << true;
    }

    void aNewSelectionGetsAFreshViewThatFadesIn()
    {
        QFETCH(bool, motionReduced);
        PanelFixture f("focus notes files", ToolID::focus);
        f.panel->setMotionReduced(motionReduced);
        f.showActive();
        QSignalSpy opened(&f.events, &AppEvents::openTool);
        QPointer<QWidget> first = f.panel->contentView();

        // The selected tab still opens its tool, and keeps its view.
        f.tab(ToolID::focus)->click();
        QCOMPARE(opened.size(), 1);
        QCOMPARE(f.panel->contentView(), first.data());

        f.tab(ToolID::notes)->click();
        QWidget* second = f.panel->contentView();
        QVERIFY(second != first);
        QCOMPARE(pageTitle(second), QStringLiteral("notes"));
        if (!motionReduced) {
            QVERIFY(first && first->isVisible());
            QCOMPARE(opacityOf(second), 0.0);
            f.clock.advance(150);
            f.animation.tick();
        }
        QVERIFY(!first || first->isHidden());
        QVERIFY(!second->graphicsEffect());
        QVERIFY(!f.animation.isTicking());
        flushDeletions();
        QVERIFY(!first);
    }

    // Tab goes along the tabs as laid out, the overflow menu and the search button, then into the page, also
    // with a tab made after the page was.
    void tabFollowsTheLayout()
    {
        PanelFixture f("focus notes", ToolID::focus);
        f.panel.reset();
        f.panel = std::make_unique<ToolPanelView>(*f.registry, f.settings, f.animation, [](ToolID, QWidget* parent) {
            auto* field = new QLineEdit(parent);
            field->setObjectName(QStringLiteral("field"));
            return field;
        });
        f.panel->resize(640, 330);
        f.showActive();
        f.registry->setEnabled(toolSet(list("links focus notes")));
        QTRY_VERIFY(f.tab(ToolID::links) && f.tab(ToolID::links)->isVisible());
        f.tab(ToolID::focus)->setFocus(Qt::TabFocusReason);
        QStringList visited;
        for (int step = 0; step < 6; ++step) {
            visited << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(visited, list("focus notes links overflow search field"));
    }

    void aHotKeyFromInsideAPageLeavesAMark_data()
    {
        QTest::addColumn<int>("digit");
        QTest::addColumn<QString>("focused");
        QTest::newRow("to a page with controls: its first") << 3 << QStringLiteral("files button");
        QTest::newRow("to a page without: the selected tab") << 2 << QStringLiteral("Notes");
    }

    // The keyboard on a control of one page, another tool opened by its keys: the keyboard goes where it shows.
    void aHotKeyFromInsideAPageLeavesAMark()
    {
        QFETCH(int, digit);
        QFETCH(QString, focused);
        PanelFixture f("focus notes files", ToolID::focus);
        f.panel =
            std::make_unique<ToolPanelView>(*f.registry, f.settings, f.animation, [](ToolID tool, QWidget* parent) {
                if (tool == ToolID::notes)
                    return namedPage(tool, parent);
                auto* page = new QWidget(parent);
                new QPushButton(rawValue(tool) + QStringLiteral(" button"), page);
                return page;
            });
        f.showActive();
        f.panel->contentView()->findChild<QPushButton*>()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(Qt::Key_0 + digit), Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget()->property("text").toString(), focused);
    }

    void theSwitcherCoversItsHostWhileTheFlagHolds()
    {
        QWidget host; // outlives the panel, which the fixture deletes
        PanelFixture f("focus notes files", ToolID::focus);
        host.resize(720, 362);
        f.panel->setParent(&host);
        f.panel->setOverlayHost(&host);
        host.show();
        QVERIFY(QTest::qWaitForWindowActive(&host));

        f.registry->setSwitcherPresented(true);
        QPointer<ToolSwitcherView> switcher = f.panel->switcher();
        QVERIFY(switcher && switcher->isVisible());
        QCOMPARE(switcher->parentWidget()->geometry(), host.rect());
        QCOMPARE(QApplication::focusWidget(), switcher->searchField());
        QCOMPARE(shownRows(*switcher), toolNames(allTools));
        QCOMPARE(rowsMarkedEnable(*switcher), list("clipboard links system media calendar weather business"));
        QVERIFY(!switcher->showsNoMatches());

        // Setting the flag again keeps the same switcher.
        f.registry->setSwitcherPresented(true);
        QCOMPARE(f.panel->switcher(), switcher.data());

        // A disabled tool's row enables and opens it, which closes the switcher.
        switcher->rows().at(int(ToolID::weather))->click();
        QCOMPARE(f.registry->selected(), ToolID::weather);
        QVERIFY(f.registry->enabled().contains(ToolID::weather));
        QVERIFY(!f.registry->switcherPresented());
        QVERIFY(!f.panel->switcher());
        QVERIFY(!switcher->isVisible());
        flushDeletions();
        QVERIFY(!switcher);

        // A click elsewhere in the island dismisses it without opening anything.
        f.registry->setSwitcherPresented(true);
        QTest::mouseClick(f.panel->switcher()->parentWidget(), Qt::LeftButton, {}, QPoint(4, 4));
        QVERIFY(!f.registry->switcherPresented());
        QCOMPARE(f.registry->selected(), ToolID::weather);
    }

    // Typing a name and Return, and a fresh field each time, are the keyboard paths test's on the real X server.
    void theSwitcherAnswersReturnAndEscape()
    {
        PanelFixture f("focus notes files", ToolID::notes);
        f.showActive();
        // The window's own Escape (the panel's cancel command) must not fire while the switcher shows.
        QAction cancel;
        cancel.setShortcut(Qt::Key_Escape);
        f.panel->addAction(&cancel);
        QSignalSpy cancelled(&cancel, &QAction::triggered);

        f.registry->setSwitcherPresented(true);
        QLineEdit* field = f.panel->switcher()->searchField();
        QTest::keyClicks(field, QStringLiteral("xyz"));
        QVERIFY(f.panel->switcher()->showsNoMatches());
        QVERIFY(shownRows(*f.panel->switcher()).isEmpty());
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(f.registry->switcherPresented());
        QCOMPARE(f.registry->selected(), ToolID::notes);

        QTest::keyClick(field, Qt::Key_Escape);
        QVERIFY(!f.registry->switcherPresented());
        QCOMPARE(cancelled.size(), 0);
        QCOMPARE(f.registry->selected(), ToolID::notes);
        flushDeletions();
        f.panel->removeAction(&cancel);
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestToolPanelView)
#include "tst_toolpanelview.moc"
