#include "Wisplet/Base/ToolRegistry.h"
#include "Wisplet/Notch/IslandSurface.h"
#include "Wisplet/Notch/NotchPanel.h"
#include "Wisplet/Platform/X11WindowService.h"
#include "tests/support/Fixtures.h"
#include "tests/support/PressRecorder.h"
#include "tests/support/WidgetsTestMain.h"
#include "tests/support/XTools.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QWindow>

namespace {

using XTools::timeoutMs;

// Panel coordinates on the harness's 1920 × 1080 screen, where the panel's left edge is at x = 580.
constexpr QPoint panelOrigin{580, 0};
const QRectF island{230, 0, 300, 120};
const QRect fieldRect{300, 40, 160, 28};
const QRect listRect{300, 72, 70, 44};
const QRect buttonRect{380, 76, 70, 30};
constexpr QPoint onIsland{250, 100};
constexpr QPoint besideIsland{120, 300};

QPainterPath islandPath(const QRectF& rect)
{
    QPainterPath path;
    path.addRoundedRect(rect, 16, 16);
    return path;
}

// A black island of known outline with a text field, a list and a button in it, recording what reaches it. Its Escape
// shortcut stands for any shortcut inside that could take the key before the panel.
class FakeIsland final : public IslandSurface
{
public:
    FakeIsland()
        : field(new QLineEdit(this))
        , list(new QListWidget(this))
        , button(new QPushButton(QStringLiteral("Go"), this))
    {
        field->setGeometry(fieldRect);
        list->setGeometry(listRect);
        list->addItems({QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")});
        button->setGeometry(buttonRect);
        connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, this, [this] { ++escapeShortcuts; });
    }

    QPainterPath islandOutline() const override { return m_outline; }
    void setNotchGeometry(const NotchGeometry& value) override { geometry = value; }

    void setOutline(const QRectF& rect)
    {
        m_outline = islandPath(rect);
        update();
        emit islandOutlineChanged();
    }

    QLineEdit* field;
    QListWidget* list;
    QPushButton* button;
    QList<QPoint> presses;
    // Escape presses that reached the island, with their modifiers.
    QList<QKeyCombination> escapes;
    int escapeShortcuts = 0;
    std::optional<NotchGeometry> geometry;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillPath(m_outline, Qt::black);
    }
    void mousePressEvent(QMouseEvent* event) override { presses << event->position().toPoint(); }
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Escape)
            escapes << event->keyCombination();
    }

private:
    QPainterPath m_outline = islandPath(island);
};

QColor screenPixel(const QPoint& global)
{
    return QGuiApplication::primaryScreen()->grabWindow(0, global.x(), global.y(), 1, 1).toImage().pixelColor(0, 0);
}

} // namespace

// Against the harness's Xvfb with openbox, no compositor unless a test starts one.
class NotchPanelTest final : public QObject
{
    Q_OBJECT

private:
    CompanionFixture m_fixture;
    ToolRegistry m_tools{m_fixture.defaults, m_fixture.settings, m_fixture.events};
    std::unique_ptr<WindowService> m_windows;
    std::unique_ptr<PressRecorder> m_below;
    std::unique_ptr<NotchPanel> m_panel;
    FakeIsland* m_island = nullptr;

    quint32 panelId() const { return quint32(m_panel->winId()); }
    quint32 belowId() const { return quint32(m_below->winId()); }

    bool belowHasFocus() const { return m_below->isActiveWindow() && XTools::focusedWindow() == belowId(); }
    bool panelIsAbove() const
    {
        const QList<quint32> stacking = XTools::stackingOrder();
        return stacking.contains(belowId()) && stacking.indexOf(panelId()) > stacking.indexOf(belowId());
    }
    // The window manager names the active window a moment after the focus moves; the panel reads that name
    // to know where to give the focus back, so a test starts only once it is there.
    bool belowIsActive() const { return belowHasFocus() && m_windows->activeWindow() == m_below->winId(); }

    void clickField() { QVERIFY(XTools::clickAt(panelOrigin + fieldRect.center())); }

private slots:
    void initTestCase()
    {
        m_windows = X11WindowService::forApplication();
        QVERIFY(dynamic_cast<X11WindowService*>(m_windows.get()));
        QVERIFY(!m_windows->isCompositing());

        m_island = new FakeIsland;
        m_panel = std::make_unique<NotchPanel>(
            m_island,
            NotchPanel::Services{m_fixture.settings, *m_fixture.wisp, m_tools, m_fixture.screens, *m_windows});
        m_panel->show();
        QTRY_VERIFY_WITH_TIMEOUT(XTools::isViewable(panelId()), timeoutMs);

        // Mapped after the panel, so that only the panel's own layer keeps it on top. Smaller than the
        // screen: openbox takes an undecorated window of the screen's size for a full-screen one.
        m_below = std::make_unique<PressRecorder>();
        m_below->setGeometry(0, 0, 1600, 900);
        m_below->show();
        QTRY_VERIFY_WITH_TIMEOUT(XTools::isViewable(belowId()), timeoutMs);
    }

    void init()
    {
        if (!m_below->isVisible()) {
            m_below->show();
            QTRY_VERIFY_WITH_TIMEOUT(XTools::isViewable(belowId()), timeoutMs);
        }
        m_fixture.screens.setScreens({FakeScreens::plain(QRectF(0, 0, 1920, 1080))});
        m_panel->reposition();
        m_island->setOutline(island);
        if (!m_panel->isVisible()) {
            m_panel->show();
            QTRY_VERIFY_WITH_TIMEOUT(XTools::isViewable(panelId()), timeoutMs);
        }
        QTRY_COMPARE_WITH_TIMEOUT(XTools::frameOf(panelId()), QRect(panelOrigin, QSize(760, 560)), timeoutMs);
        m_below->activateWindow();
        QTRY_VERIFY_WITH_TIMEOUT(belowIsActive(), timeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(panelIsAbove(), timeoutMs);
        m_fixture.wisp->setPinnedOpen(false);
        m_fixture.wisp->setHiddenForFullscreen(false);
        m_fixture.settings.setPresentationMode(false);
        m_tools.setSwitcherPresented(false);
        m_island->presses.clear();
        m_island->escapes.clear();
        m_below->presses.clear();
    }

    void floatsAtTheTopCentreOnEveryDesktop_data()
    {
        QTest::addColumn<bool>("waitForTheHide");
        QTest::newRow("shown after the window manager saw it hidden") << true;
        QTest::newRow("shown again at once") << false;
    }

    void floatsAtTheTopCentreOnEveryDesktop()
    {
        QFETCH(bool, waitForTheHide);
        // The window manager forgets a hidden window's states, and one shown again before it has seen the
        // hide loses them as it takes the window back.
        m_panel->hide();
        if (waitForTheHide)
            QTRY_VERIFY_WITH_TIMEOUT(!XTools::isViewable(panelId()), timeoutMs);
        m_panel->reposition();
        m_island->setOutline(island);
        m_panel->show();
        QTRY_VERIFY_WITH_TIMEOUT(XTools::isViewable(panelId()), timeoutMs);
        const auto floating = [this] {
            const QString states = XTools::property(panelId(), QStringLiteral("_NET_WM_STATE"));
            return states.contains(QLatin1String("_NET_WM_STATE_ABOVE"))
                && states.contains(QLatin1String("_NET_WM_STATE_SKIP_TASKBAR"))
                && states.contains(QLatin1String("_NET_WM_STATE_SKIP_PAGER"))
                && XTools::property(panelId(), QStringLiteral("_NET_WM_DESKTOP")) == QStringLiteral("4294967295");
        };
        QTRY_VERIFY_WITH_TIMEOUT(floating(), timeoutMs);

        QCOMPARE(XTools::focusedWindow(), belowId());
        QTRY_COMPARE_WITH_TIMEOUT(XTools::frameOf(panelId()), QRect(panelOrigin, QSize(760, 560)), timeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(panelIsAbove(), timeoutMs);
    }

    void onlyTheIslandIsDrawnAndTakesClicks_data()
    {
        QTest::addColumn<bool>("compositor");
        QTest::newRow("bare X") << false;
        QTest::newRow("compositor") << true;
    }

    void onlyTheIslandIsDrawnAndTakesClicks()
    {
        QFETCH(bool, compositor);
        // Killed by its destructor should the test fail early.
        QProcess compositorProcess;
        if (compositor) {
            compositorProcess.start(QStringLiteral("xcompmgr"), {QStringLiteral("-n")});
            QVERIFY(compositorProcess.waitForStarted(timeoutMs));
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_windows->isCompositing(), compositor, timeoutMs);

        QTRY_COMPARE_WITH_TIMEOUT(screenPixel(panelOrigin + onIsland), QColor(Qt::black), timeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(screenPixel(panelOrigin + besideIsland), QColor(Qt::white), timeoutMs);
        // A compositor blends the rest, so the drawing is left unshaped.
        QCOMPARE(XTools::boundingShape(panelId()), compositor ? QRect() : island.toRect());

        QVERIFY(XTools::clickAt(panelOrigin + besideIsland));
        QTRY_COMPARE_WITH_TIMEOUT(m_below->presses, QList<QPoint>{panelOrigin + besideIsland}, timeoutMs);
        QVERIFY(XTools::clickAt(panelOrigin + onIsland));
        QTRY_COMPARE_WITH_TIMEOUT(m_island->presses, QList<QPoint>{onIsland}, timeoutMs);
        // A press that needs no typing leaves the focus where it was.
        QVERIFY(belowHasFocus());
        QCOMPARE(m_fixture.wisp->isPinnedOpen(), false);

        if (compositor) {
            compositorProcess.kill();
            QVERIFY(compositorProcess.waitForFinished(timeoutMs));
        }
        QTRY_VERIFY_WITH_TIMEOUT(!m_windows->isCompositing(), timeoutMs);
    }

    void shapeFollowsTheOutline()
    {
        m_island->setOutline(QRectF(100, 0, 560, 330));

        QTRY_COMPARE_WITH_TIMEOUT(screenPixel(panelOrigin + besideIsland), QColor(Qt::black), timeoutMs);
        QVERIFY(XTools::clickAt(panelOrigin + besideIsland));
        QTRY_COMPARE_WITH_TIMEOUT(m_island->presses, QList<QPoint>{besideIsland}, timeoutMs);
        QVERIFY(m_below->presses.isEmpty());
    }

    void takesAndGivesBackTheFocus_data()
    {
        QTest::addColumn<QStringList>("row"); // what takes the focus, what happens before it is given back
        QTest::addColumn<bool>("staysShown");
        QTest::newRow("text field") << QStringList{"field", ""} << true;
        QTest::newRow("switcher") << QStringList{"switcher", ""} << true;
        QTest::newRow("opened tool") << QStringList{"tool", ""} << true;
        QTest::newRow("presentation mode") << QStringList{"field", "presentation"} << false;
        QTest::newRow("hidden for full screen") << QStringList{"switcher", "fullscreen"} << false;
        QTest::newRow("window before gone") << QStringList{"field", "gone"} << true;
    }

    void takesAndGivesBackTheFocus()
    {
        QFETCH(QStringList, row);
        QFETCH(bool, staysShown);
        const QString trigger = row.at(0);
        const QString beforeRelease = row.at(1);
        if (trigger == QLatin1String("field")) {
            clickField();
        } else if (trigger == QLatin1String("switcher")) {
            m_tools.setSwitcherPresented(true);
        } else {
            m_panel->hide();
            m_panel->openForTool();
        }
        QTRY_VERIFY_WITH_TIMEOUT(m_panel->isActiveWindow(), timeoutMs);
        QVERIFY(m_fixture.wisp->isPinnedOpen());

        if (beforeRelease == QLatin1String("presentation")) {
            m_fixture.settings.setPresentationMode(true);
        } else if (beforeRelease == QLatin1String("fullscreen")) {
            m_fixture.wisp->setHiddenForFullscreen(true);
        } else if (beforeRelease == QLatin1String("gone")) {
            m_below->hide();
            QTRY_VERIFY_WITH_TIMEOUT(!XTools::isViewable(belowId()), timeoutMs);
        }
        m_panel->releaseFocus();

        if (beforeRelease == QLatin1String("gone"))
            QTRY_VERIFY_WITH_TIMEOUT(!m_panel->isActiveWindow() && XTools::focusedWindow() != panelId(), timeoutMs);
        else
            QTRY_VERIFY_WITH_TIMEOUT(belowHasFocus(), timeoutMs);
        QCOMPARE(m_panel->focusWidget(), nullptr);
        QVERIFY(m_panel->windowHandle()->flags().testFlag(Qt::WindowDoesNotAcceptFocus));
        QTRY_COMPARE_WITH_TIMEOUT(XTools::isViewable(panelId()), staysShown, timeoutMs);
    }

    void shownOrHiddenOnlyWhenItShouldBe()
    {
        // Without the focus there is nothing to give back, whatever presentation mode says.
        m_fixture.settings.setPresentationMode(true);
        m_panel->releaseFocus();
        QVERIFY(m_panel->isVisible());

        m_panel->hide();
        m_fixture.wisp->setHiddenForFullscreen(true);
        m_panel->openForTool();
        QVERIFY(!m_panel->isVisible());
    }

    // Presentation mode and full-screen hiding order the panel out; with the focus in it, openbox would
    // hand the focus to no window at all if the panel vanished first.
    void orderingOutWaitsForTheFocusToLeave_data()
    {
        QTest::addColumn<bool>("focused");
        QTest::addColumn<bool>("orderedFrontAgain");
        QTest::newRow("with the focus") << true << false;
        QTest::newRow("without the focus") << false << false;
        QTest::newRow("ordered front before the focus left") << true << true;
    }

    void orderingOutWaitsForTheFocusToLeave()
    {
        QFETCH(bool, focused);
        QFETCH(bool, orderedFrontAgain);
        if (focused) {
            m_tools.setSwitcherPresented(true);
            QTRY_VERIFY_WITH_TIMEOUT(m_panel->isActiveWindow(), timeoutMs);
        }
        m_fixture.settings.setPresentationMode(true);
        m_panel->orderOut();
        QCOMPARE(m_panel->isVisible(), focused);
        if (orderedFrontAgain) {
            m_fixture.settings.setPresentationMode(false);
            m_panel->orderFront();
        }
        QTRY_VERIFY_WITH_TIMEOUT(belowHasFocus() && !m_panel->isActiveWindow(), timeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(XTools::isViewable(panelId()), orderedFrontAgain, timeoutMs);
        QCOMPARE(m_panel->isVisible(), orderedFrontAgain);
    }

    // A row of a list wants the arrows and Space after a click, as a field wants typing; a button wants
    // nothing more than the click.
    void clickTakesTheFocusForControlsThatTakeKeys_data()
    {
        QTest::addColumn<QRect>("control");
        QTest::addColumn<bool>("takesFocus");
        QTest::newRow("list row") << listRect << true;
        QTest::newRow("plain button") << buttonRect << false;
    }

    void clickTakesTheFocusForControlsThatTakeKeys()
    {
        QFETCH(QRect, control);
        QFETCH(bool, takesFocus);
        m_island->list->setCurrentRow(-1);
        QSignalSpy clicked(m_island->button, &QPushButton::clicked);
        QVERIFY(XTools::clickAt(panelOrigin + QPoint(control.center().x(), control.top() + 8)));
        if (!takesFocus) {
            QTRY_COMPARE_WITH_TIMEOUT(clicked.count(), 1, timeoutMs);
            QVERIFY(belowHasFocus());
            QVERIFY(!m_panel->isActiveWindow());
            QVERIFY(!m_fixture.wisp->isPinnedOpen());
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(m_panel->isActiveWindow() && XTools::focusedWindow() == panelId(), timeoutMs);
        QVERIFY(m_fixture.wisp->isPinnedOpen());
        QWidget* focused = m_panel->focusWidget();
        QVERIFY(focused && control.contains(focused->geometry().center()));
        if (focused == m_island->list) {
            QCOMPARE(m_island->list->currentRow(), 0);
            QVERIFY(XTools::xdotool({QStringLiteral("key"), QStringLiteral("Down")}));
            QTRY_COMPARE_WITH_TIMEOUT(m_island->list->currentRow(), 1, timeoutMs);
        }
        m_panel->releaseFocus();
        QTRY_VERIFY_WITH_TIMEOUT(belowHasFocus(), timeoutMs);
    }

    void escape_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<bool>("collapses");
        QTest::newRow("Escape") << QStringLiteral("Escape") << true;
        QTest::newRow("Shift+Escape") << QStringLiteral("shift+Escape") << true;
        QTest::newRow("Ctrl+Escape") << QStringLiteral("ctrl+Escape") << false;
    }

    void escape()
    {
        QFETCH(QString, keys);
        QFETCH(bool, collapses);
        clickField();
        QTRY_VERIFY_WITH_TIMEOUT(m_panel->isActiveWindow() && m_fixture.wisp->isPinnedOpen(), timeoutMs);

        QVERIFY(XTools::xdotool({QStringLiteral("key"), keys}));
        if (collapses) {
            QTRY_VERIFY_WITH_TIMEOUT(belowHasFocus(), timeoutMs);
            QVERIFY(!m_fixture.wisp->isPinnedOpen());
            QVERIFY(XTools::isViewable(panelId()));
            QVERIFY(m_island->escapes.isEmpty());
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(m_island->escapes, QList{Qt::ControlModifier | Qt::Key_Escape}, timeoutMs);
            QVERIFY(m_fixture.wisp->isPinnedOpen());
            QVERIFY(m_panel->isActiveWindow());
            // Focus taken away by a click elsewhere: the panel no longer accepts it either.
            QVERIFY(XTools::clickAt(panelOrigin + besideIsland));
            QTRY_VERIFY_WITH_TIMEOUT(belowHasFocus(), timeoutMs);
            QVERIFY(m_panel->windowHandle()->flags().testFlag(Qt::WindowDoesNotAcceptFocus));
        }
        QCOMPARE(m_island->escapeShortcuts, 0);
    }

    void repositionFollowsTheScreen_data()
    {
        QTest::addColumn<QList<ScreenInfo>>("screens");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("another screen") << QList{FakeScreens::plain(QRectF(100, 50, 1280, 720))}
                                        << QRect(360, 50, 760, 560);
        QTest::newRow("no screen") << QList<ScreenInfo>() << QRect(panelOrigin, QSize(760, 560));
    }

    void repositionFollowsTheScreen()
    {
        QFETCH(QList<ScreenInfo>, screens);
        QFETCH(QRect, expected);
        const std::optional<NotchGeometry> before = m_panel->notchGeometry();
        m_fixture.screens.setScreens(screens);
        m_panel->reposition();

        QTRY_COMPARE_WITH_TIMEOUT(XTools::frameOf(panelId()), expected, timeoutMs);
        const QRectF frame = screens.isEmpty() ? before->screen.frame : screens.first().frame;
        QCOMPARE(m_panel->notchGeometry()->screen.frame, frame);
        QCOMPARE(m_island->geometry->screen.frame, frame);
    }

    void shapeIsInDevicePixels()
    {
        QPainterPath twoIslands;
        twoIslands.addRect(10, 0, 100, 50);
        twoIslands.addRect(200, 5, 20, 10);
        QCOMPARE(X11WindowService::deviceRegion(twoIslands, 2.0),
                 QRegion(20, 0, 200, 100).united(QRect(400, 10, 40, 20)));
    }
};

WISPLET_WIDGETS_TEST_MAIN(NotchPanelTest)

#include "tst_notchpanel.moc"
