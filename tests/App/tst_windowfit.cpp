#include "tests/support/Files.h"
#include "tests/support/LaunchedProgram.h"
#include "tests/support/PrivateDisplay.h"
#include "tests/support/TestMain.h"
#include "tests/support/XTools.h"

#include <QDeadlineTimer>

#include <optional>

namespace {

using LaunchedProgram::visibleWindowsOf;
using XTools::timeoutMs;

const QString welcomeTitle = QStringLiteral("Welcome to Wisplet");
const QString settingsTitle = QStringLiteral("Settings");
const QString studioTitle = QStringLiteral("Wisp Expressions");
const QByteArray onboarded = R"({"onboarded": true})";

// The program's only visible window of that title; 0 while there is none.
quint32 windowTitled(const QProcess& wisplet, const QString& title)
{
    const QList<quint32> windows = visibleWindowsOf(wisplet, QLatin1Char('^') + title + QLatin1Char('$'));
    return windows.size() == 1 ? windows.first() : 0;
}

// Where the island is drawn, in root coordinates: without a compositor its bounding shape.
QRect islandOf(quint32 panel)
{
    return XTools::boundingShape(panel).translated(XTools::frameOf(panel).topLeft());
}

// Puts the pointer on the collapsed island and waits for the panel to open under it.
bool hoverIsland(quint32 panel)
{
    const QRect island = islandOf(panel);
    if (island.isEmpty()
        || !XTools::xdotool(
            {QStringLiteral("mousemove"), QString::number(island.center().x()), QString::number(island.center().y())}))
        return false;
    return QTest::qWaitFor([&] { return islandOf(panel).height() > island.height(); }, timeoutMs);
}

// The rows of the menu that its highlighted item covers, from a picture of it; empty while none shows.
std::pair<int, int> highlightedRows(quint32 menu)
{
    const QImage image = XTools::picture(menu);
    int first = -1;
    int last = -1;
    for (int y = 0; y < image.height(); ++y) {
        // The highlight is the blue of the program's palette, across the whole row.
        const QColor pixel = image.pixelColor(std::min(3, image.width() - 1), y);
        if (pixel.blue() > pixel.red() + 60 && pixel.blue() > 160) {
            first = first < 0 ? y : first;
            last = y;
        }
    }
    return {first, last};
}

// How wide the window manager draws the window's title: from its first to its last white pixel in the
// title bar of a focused window (the icon and the buttons have none); 0 while there is none.
int titleWidth(quint32 window)
{
    const QRect frame = XTools::frameWithTitleBarOf(window);
    const QImage bar =
        XTools::picture(0).copy(frame.x(), frame.y(), frame.width(), XTools::frameOf(window).y() - frame.y());
    int first = -1;
    int last = -1;
    for (int x = 0; x < bar.width(); ++x) {
        for (int y = 0; y < bar.height(); ++y) {
            if (bar.pixel(x, y) == qRgb(255, 255, 255)) {
                first = first < 0 ? x : first;
                last = x;
            }
        }
    }
    return first < 0 ? 0 : last - first + 1;
}

// Whether the window shows a light pill as wide as a prominent button's, as the welcome's Next is: a row of
// at least 40 near-white pixels in its lowest quarter.
bool showsWidePill(quint32 window)
{
    const QImage image = XTools::picture(window);
    for (int y = image.height() * 3 / 4; y < image.height(); ++y) {
        int run = 0;
        for (int x = 0; x < image.width(); ++x) {
            run = qGray(image.pixel(x, y)) >= 210 ? run + 1 : 0;
            if (run >= 40)
                return true;
        }
    }
    return false;
}

// Opens the island's menu with a right-click where the pointer is, highlights an item with the arrow keys
// and clicks it where the menu shows it, leaving the pointer there.
bool chooseFromIslandMenu(const QProcess& wisplet, quint32 panel, const QStringList& keys)
{
    const QList<quint32> before = visibleWindowsOf(wisplet, QStringLiteral(".*"));
    if (!XTools::xdotool({QStringLiteral("click"), QStringLiteral("3")}))
        return false;
    quint32 menu = 0;
    if (!QTest::qWaitFor(
            [&] {
                for (const quint32 window : visibleWindowsOf(wisplet, QStringLiteral("^$")))
                    menu = window != panel && !before.contains(window) ? window : menu;
                return menu != 0;
            },
            timeoutMs))
        return false;
    // Each key once the highlight shows that the one before arrived: the first is lost when it comes before the
    // menu's grab, and a loaded machine can lose a later one, so a key that moved nothing is made again.
    std::pair<int, int> rows{-1, -1};
    for (const QString& key : keys) {
        const std::pair<int, int> was = rows;
        const auto moved = [&] { return (rows = highlightedRows(menu)).second > rows.first && rows != was; };
        bool arrived = false;
        for (int tries = 0; tries < 10 && !arrived; ++tries) {
            if (!XTools::xdotool({QStringLiteral("key"), key}))
                return false;
            arrived = QTest::qWaitFor(moved, 3000);
        }
        if (!arrived)
            return false;
    }
    const QRect frame = XTools::frameOf(menu);
    return XTools::clickAt({frame.center().x(), frame.top() + (rows.first + rows.second) / 2});
}

// A display of the test's own with the program on it, kept from one row to the next on the same screen: the
// server, the window manager and the program each take a second or two to come up.
struct Screen
{
    QSize size;
    int dpi = 96;
    PrivateDisplay display;
    LaunchedProgram::Session wisplet;
    // The island as the program started, at rest.
    QRect resting;
};

// The part of the test this run takes, as ctest runs the parts side by side (each starts X servers of its own):
// WISPLET_TEST_PART is "k/n". Part 0 takes the tests outside the table of screens, the others share the screens.
struct Part
{
    int index = 0;
    int count = 1;

    bool takesAnyScreen() const { return index > 0; }
    bool takesScreen(int screen) const { return takesAnyScreen() && screen % (count - 1) == index - 1; }
};

// None when the run takes the whole test.
std::optional<Part> runPart()
{
    const QStringList part = qEnvironmentVariable("WISPLET_TEST_PART").split(u'/');
    if (part.size() != 2 || part[1].toInt() < 2)
        return std::nullopt;
    return Part{part[0].toInt(), part[1].toInt()};
}

// Closes the program's window from the keyboard, so that the next row opens its own.
bool closeWithEscape(quint32 window)
{
    return XTools::xdotool({QStringLiteral("key"), QStringLiteral("Escape")})
        && QTest::qWaitFor([&] { return !XTools::isViewable(window); }, timeoutMs);
}

} // namespace

// The built program on screens of the test's own, as a user meets it: its windows come up whole on small
// and scaled screens, title bar included, and come back from an unplugged one; the settings close from the
// keyboard; a window chosen from the island's menu comes forward clear of the island; a message box opens in
// the middle of the screen with its whole title.
class TestWindowFit final : public QObject
{
    Q_OBJECT

    std::unique_ptr<Screen> m_screen;

    // The program on a screen of that size and scale: the one an earlier row left there, or else (and always
    // for a first start, which shows the welcome) a fresh one.
    bool onScreen(QSize size, int dpi, bool firstStart)
    {
        if (m_screen && m_screen->size == size && m_screen->dpi == dpi && !firstStart) {
            // The pointer away from where the row before left it, and the island back at rest.
            const quint32 panel = m_screen->wisplet.panel();
            return XTools::xdotool({QStringLiteral("mousemove"), QStringLiteral("0"), QStringLiteral("0")})
                && QTest::qWaitFor([&] { return islandOf(panel).height() <= m_screen->resting.height(); }, timeoutMs);
        }
        // The one before ends first: a display gives DISPLAY back to what it found.
        m_screen.reset();
        m_screen = std::make_unique<Screen>();
        m_screen->size = size;
        m_screen->dpi = dpi;
        if (!m_screen->display.start(size, dpi)
            || !m_screen->wisplet.start(QStringLiteral(WISPLET_BINARY), firstStart ? "{}" : onboarded))
            return false;
        m_screen->resting = islandOf(m_screen->wisplet.panel());
        return true;
    }

    QString screenError() const { return m_screen->display.errorText() + m_screen->wisplet.errorText(); }

private slots:
    // A row that failed may have left its window or the program in any state.
    void cleanup()
    {
        if (QTest::currentTestFailed())
            m_screen.reset();
    }

    void cleanupTestCase() { m_screen.reset(); }

    void windowsFitTheScreen_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<QString>("title");
        const std::tuple<const char*, QSize, int> screens[] = {
            {"2×, 1512×982", QSize(1512, 982), 192},   {"1.5×, 1920×1080", QSize(1920, 1080), 144},
            {"1.5×, 1366×768", QSize(1366, 768), 144}, {"1.75×, 1366×768", QSize(1366, 768), 168},
            {"1024×600", QSize(1024, 600), 96},        {"800×480", QSize(800, 480), 96}};
        const std::optional<Part> part = runPart();
        int index = 0;
        for (const auto& [name, screen, dpi] : screens) {
            if (part && !part->takesScreen(index++))
                continue;
            QTest::addRow("%s, welcome", name) << screen << dpi << welcomeTitle;
            QTest::addRow("%s, settings", name) << screen << dpi << settingsTitle;
            QTest::addRow("%s, expression studio", name) << screen << dpi << studioTitle;
        }
        if (part && !part->takesAnyScreen())
            QSKIP("the screens are in the other parts");
    }

    // Whole, clear of the island, and left so while the pointer rests on the window's title bar; the
    // welcome's Next in view without scrolling; the settings close from the keyboard.
    void windowsFitTheScreen()
    {
        QFETCH(QSize, screen);
        QFETCH(int, dpi);
        QFETCH(QString, title);
        // The welcome opens by itself at the first start; the others come from the island's menu, in the program
        // the row before left on the same screen.
        const bool welcome = title == welcomeTitle;
        QVERIFY2(onScreen(screen, dpi, welcome), qPrintable(screenError()));
        LaunchedProgram::Session& wisplet = m_screen->wisplet;
        const quint32 panel = wisplet.panel();
        const QRect area = XTools::workArea();
        QVERIFY(!area.isEmpty());
        // The panel is 760 points wide, or as wide as the screen; at 2× a point is two pixels.
        QCOMPARE(XTools::frameOf(panel).width(), std::min(760 * dpi / 96, screen.width()));
        const QRect resting = m_screen->resting;
        const QStringList toWindow(title == settingsTitle ? 9 : 5, QStringLiteral("Down"));
        if (!welcome)
            QVERIFY(hoverIsland(panel) && chooseFromIslandMenu(wisplet.process(), panel, toWindow));
        quint32 window = 0;
        QTRY_VERIFY_WITH_TIMEOUT((window = windowTitled(wisplet.process(), title)) != 0, timeoutMs * 3);
        QTRY_COMPARE_WITH_TIMEOUT(XTools::focusedWindow(), window, timeoutMs);
        const QRect frame = XTools::frameWithTitleBarOf(window);
        QVERIFY2(area.contains(frame),
                 qPrintable(QStringLiteral("frame %1,%2 %3×%4 on %5×%6")
                                .arg(frame.x())
                                .arg(frame.y())
                                .arg(frame.width())
                                .arg(frame.height())
                                .arg(area.width())
                                .arg(area.height())));
        QVERIFY2(!frame.intersects(resting), "the window lies under the island");
        // Once the island has closed out of the way, pointing at the title bar leaves it at rest.
        QTRY_VERIFY_WITH_TIMEOUT(islandOf(panel).height() <= resting.height(), timeoutMs);
        QVERIFY(XTools::xdotool(
            {QStringLiteral("mousemove"), QString::number(frame.center().x()), QString::number(frame.top() + 4)}));
        for (const QDeadlineTimer still(1000); !still.hasExpired(); QTest::qWait(100))
            QVERIFY2(!islandOf(panel).intersects(frame), "the panel opened over the window");
        if (welcome) {
            QVERIFY2(showsWidePill(window), "the welcome's Next is not in view");
            // Titled and closable only: the window manager offers neither resizing nor maximising.
            const QString allowed = XTools::property(window, QStringLiteral("_NET_WM_ALLOWED_ACTIONS"));
            QVERIFY(allowed.contains(QStringLiteral("_NET_WM_ACTION_CLOSE")));
            QVERIFY2(!allowed.contains(QStringLiteral("MAXIMIZE")) && !allowed.contains(QStringLiteral("RESIZE")),
                     qPrintable(allowed));
        }
        if (title != settingsTitle) {
            QVERIFY(closeWithEscape(window));
            return;
        }

        // Closed with either key, and opened again in between.
        for (const QString& keys : {QStringLiteral("ctrl+w"), QStringLiteral("Escape")}) {
            QTRY_COMPARE_WITH_TIMEOUT(XTools::focusedWindow(), window, timeoutMs);
            QVERIFY(XTools::xdotool({QStringLiteral("key"), keys}));
            QTRY_VERIFY_WITH_TIMEOUT(!XTools::isViewable(window), timeoutMs);
            if (keys == QStringLiteral("ctrl+w")) {
                QVERIFY(XTools::xdotool({QStringLiteral("mousemove"), QStringLiteral("0"), QStringLiteral("0")}));
                QVERIFY(hoverIsland(panel) && chooseFromIslandMenu(wisplet.process(), panel, toWindow));
                QTRY_VERIFY_WITH_TIMEOUT((window = windowTitled(wisplet.process(), title)) != 0, timeoutMs);
            }
        }
    }

    // Chosen with the pointer from the menu of a panel opened by hovering: the panel closes out of the way,
    // and the island, back to its resting size, stays so while the pointer stays where the item was.
    void windowsFromTheIslandMenuAreNotCovered_data()
    {
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("title");
        QTest::newRow("expression studio") << QStringList(5, QStringLiteral("Down")) << studioTitle;
        QTest::newRow("settings") << QStringList(9, QStringLiteral("Down")) << settingsTitle;
        QTest::newRow("welcome tour") << QStringList(2, QStringLiteral("Up")) << welcomeTitle;
    }

    void windowsFromTheIslandMenuAreNotCovered()
    {
        QFETCH(QStringList, keys);
        QFETCH(QString, title);
        QVERIFY2(onScreen(QSize(1920, 1080), 96, false), qPrintable(screenError()));
        LaunchedProgram::Session& wisplet = m_screen->wisplet;
        const quint32 panel = wisplet.panel();
        const QRect resting = m_screen->resting;
        QVERIFY(hoverIsland(panel) && chooseFromIslandMenu(wisplet.process(), panel, keys));

        quint32 window = 0;
        QTRY_VERIFY_WITH_TIMEOUT((window = windowTitled(wisplet.process(), title)) != 0, timeoutMs * 3);
        // Back to its resting height (give or take its breathing) and clear of the window, title bar included.
        const auto clear = [&] {
            const QRect island = islandOf(panel);
            const QRect frame = XTools::frameWithTitleBarOf(window);
            return !frame.isEmpty() && island.height() <= resting.height() && !island.intersects(frame);
        };
        QTRY_VERIFY_WITH_TIMEOUT(clear(), timeoutMs);
        // Long enough for the hover of a pointer that never left to open the panel again.
        for (const QDeadlineTimer still(1500); !still.hasExpired(); QTest::qWait(100))
            QVERIFY(clear());
        QVERIFY(closeWithEscape(window));
    }

    // Unplugged from under it, the settings window comes over to the screen left; chosen again, it is only
    // raised where it now is.
    void settingsLeaveAnUnpluggedScreen()
    {
        m_screen.reset();
        PrivateDisplay display;
        QVERIFY2(display.start(QSize(1920, 1080)), qPrintable(display.errorText()));
        const QRect left(0, 0, 960, 1080);
        QVERIFY(display.addMonitor(QStringLiteral("DP-1"), left));
        QVERIFY(display.addMonitor(QStringLiteral("HDMI-1"), QRect(960, 0, 960, 1080)));
        // The island, and with it the settings, on the second monitor: it follows the pointer there.
        QVERIFY(XTools::xdotool({QStringLiteral("mousemove"), QStringLiteral("1440"), QStringLiteral("540")}));
        LaunchedProgram::Session wisplet;
        QVERIFY2(wisplet.start(QStringLiteral(WISPLET_BINARY), R"({"onboarded": true, "displayMode": "cursor"})"),
                 qPrintable(wisplet.errorText()));
        const quint32 panel = wisplet.panel();
        const QStringList toSettings(9, QStringLiteral("Down"));
        QVERIFY(hoverIsland(panel) && chooseFromIslandMenu(wisplet.process(), panel, toSettings));
        quint32 settings = 0;
        QTRY_VERIFY_WITH_TIMEOUT((settings = windowTitled(wisplet.process(), settingsTitle)) != 0, timeoutMs * 3);
        QTRY_VERIFY_WITH_TIMEOUT(XTools::frameWithTitleBarOf(settings).left() >= left.right(), timeoutMs);

        QVERIFY(display.removeMonitor(QStringLiteral("HDMI-1")));
        QTRY_VERIFY_WITH_TIMEOUT(left.contains(XTools::frameWithTitleBarOf(settings)), timeoutMs);
        const QRect placed = XTools::frameWithTitleBarOf(settings);
        QVERIFY(hoverIsland(panel) && chooseFromIslandMenu(wisplet.process(), panel, toSettings));
        QTRY_COMPARE_WITH_TIMEOUT(XTools::focusedWindow(), settings, timeoutMs);
        QCOMPARE(XTools::frameWithTitleBarOf(settings), placed);
    }

    // A note that cannot be saved as the program quits: the box that says so comes up in the middle of the
    // screen, its title as whole as in a window wide enough for it.
    void theSaveFailureBoxShowsItsWholeTitle()
    {
        PrivateDisplay display;
        LaunchedProgram::Session wisplet;
        QVERIFY2(display.start(QSize(1920, 1080)) && wisplet.start(QStringLiteral(WISPLET_BINARY), onboarded),
                 qPrintable(display.errorText() + wisplet.errorText()));
        const quint32 panel = wisplet.panel();
        // The second favourite, Notes, and in it a new note, its button where the 760-point panel has it, once
        // the island has opened and come to rest.
        QVERIFY(LaunchedProgram::openPanelWithKey(panel, QStringLiteral("ctrl+alt+2")));
        const QPoint newNote = XTools::frameOf(panel).topLeft() + QPoint(95, 398);
        QVERIFY(XTools::clickAt(newNote));
        const QString data = wisplet.homeFile(QStringLiteral("data/Wisplet"));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(data + QStringLiteral("/notes-v2.json")), timeoutMs);
        // Its folder gone and a file in its place, as root too cannot write through a file; then another note.
        QVERIFY(QDir().rename(data, data + QStringLiteral(".away")));
        QVERIFY(TestFiles::write(data, "not a folder"));
        QVERIFY(XTools::clickAt(newNote));
        QVERIFY(XTools::xdotool({QStringLiteral("key"), QStringLiteral("ctrl+q")}));

        const QString title = QStringLiteral("Your note could not be saved");
        quint32 box = 0;
        QTRY_VERIFY_WITH_TIMEOUT((box = windowTitled(wisplet.process(), title)) != 0, timeoutMs * 3);
        QTRY_COMPARE_WITH_TIMEOUT(XTools::focusedWindow(), box, timeoutMs);
        const QRect frame = XTools::frameWithTitleBarOf(box);
        const QRect area = XTools::workArea();
        QVERIFY(area.contains(frame));
        const QRect middle(area.x() + area.width() / 3, area.y() + area.height() / 3, area.width() / 3,
                           area.height() / 3);
        QVERIFY2(middle.contains(frame.center()), "the box is not in the middle of the screen");
        int shown = 0;
        QTRY_VERIFY_WITH_TIMEOUT((shown = titleWidth(box)) > 0, timeoutMs);

        // The same title over a long line of text, focused in its turn.
        QProcess wide;
        wide.start(QStringLiteral("xmessage"),
                   {QStringLiteral("-title"), title, QStringLiteral("-geometry"), QStringLiteral("+0+0"),
                    QStringLiteral("A line of text long enough to make this window wider than any title.")});
        quint32 reference = 0;
        QTRY_VERIFY_WITH_TIMEOUT((reference = XTools::focusedWindow()) != box && reference != 0
                                     && XTools::isViewable(reference) && titleWidth(reference) > 0,
                                 timeoutMs);
        QCOMPARE(shown, titleWidth(reference));
        wide.kill();
        wide.waitForFinished(timeoutMs);
    }
};

WISPLET_TEST_MAIN(TestWindowFit)
#include "tst_windowfit.moc"
