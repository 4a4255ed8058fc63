#include "Wisplet/Platform/DesktopOpener.h"
#include "Wisplet/Tools/Links/LinkGrid.h"
#include "Wisplet/Tools/Links/LinksStore.h"
#include "Wisplet/Tools/Links/QuickLinksView.h"
#include "tests/support/Files.h"
#include "tests/support/RealPanel.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/WidgetsTestMain.h"
#include "tests/support/XTools.h"

#include <QLabel>
#include <QProcess>
#include <QScrollBar>

#include <functional>

using namespace Qt::StringLiterals;
using XTools::timeoutMs;

namespace {

QByteArray linksFile(const QStringList& urls)
{
    QJsonArray links;
    for (const QString& url : urls)
        links.append(QJsonObject{{"id", QUuid::createUuid().toString(QUuid::WithoutBraces)},
                                 {"title", QStringLiteral("Link ") + QString::number(links.size())},
                                 {"url", url}});
    return QJsonDocument(links).toJson();
}

// The desktop's opener: a stand-in for xdg-open, first on the PATH, that writes down its arguments and its
// process id, and fails as the address asks.
const QByteArray standIn = R"(#!/bin/sh
printf '%s\n' "$@" >> "$LOG"
echo $$ > "$LOG.pid"
case "$1" in
*status4) printf '\nno method available for opening it\nsecond line\n' >&2; exit 4 ;;
*status3) exit 3 ;;
*signal) kill -9 $$ ;;
*noisy) head -c 1000000 /dev/zero | tr '\0' x >&2; exit 1 ;;
*stays) while [ ! -e "$LOG.release" ]; do sleep 0.05; done; echo released >> "$LOG"; exit 4 ;;
esac
)";

// A link clicked on the page: what the page then says of it (empty: nothing), whether the opener ran.
struct Click
{
    QString url;
    QString said;
    bool ran;
    QString program = QStringLiteral("xdg-open");
};

// Keys pressed on the grid from a chip; the chip the keyboard is on then (-1: any in view), so many rows
// further down; whether they removed the link.
struct Walk
{
    int links;
    int from;
    QStringList keys;
    int to;
    int rowsDown = 0;
    bool removes = false;
};

} // namespace

Q_DECLARE_METATYPE(Click)
Q_DECLARE_METATYPE(Walk)

// Links clicked on the page and opened the way the program opens them, and the grid driven with the keys a
// user presses, through the X server into the real panel.
class TestLinksOpen final : public QObject
{
    Q_OBJECT

private:
    RegistryFixture m_fixture;
    TempFolder m_folder;
    QString m_log;

    QStringList opened() const { return QString::fromUtf8(TestFiles::read(m_log)).split(u'\n', Qt::SkipEmptyParts); }

private slots:
    void initTestCase()
    {
        const QString bin = m_folder.file("bin");
        m_log = m_folder.file("opened.log");
        QVERIFY(TestFiles::write(bin + "/xdg-open", standIn));
        QVERIFY(QFile::setPermissions(bin + "/xdg-open", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("PATH", QFile::encodeName(bin) + ':' + qgetenv("PATH"));
        qputenv("LOG", QFile::encodeName(m_log));
        m_fixture.load();
        m_fixture.registry->setEnabled({ToolID::links});
        m_fixture.registry->setSelected(ToolID::links);
    }

    // Only what a typed link could be reaches the opener, and whatever stops the opener is said, with the first
    // line it wrote, however much it writes.
    void aClickOpensOrSaysWhyNot_data()
    {
        QTest::addColumn<Click>("click");
        QTest::newRow("script") << Click{"javascript:alert(1)", "Link 0", false};
        QTest::newRow("script with slashes") << Click{"javascript://example.com/%0Aalert(1)", "Link 0", false};
        QTest::newRow("an option of the opener") << Click{"--help", "Link 0", false};
        QTest::newRow("absolute path, not as a file URL") << Click{"/etc/hosts", "Link 0", false};
        QTest::newRow("web address as typed") << Click{"https://example.com/a?b=c", {}, true};
        QTest::newRow("file URL as typed") << Click{"file:///tmp/", {}, true};
        QTest::newRow("mail") << Click{"mailto:a@b", {}, true};
        QTest::newRow("another scheme with slashes") << Click{"sftp://example.com/a", {}, true};
        QTest::newRow("host that is an option") << Click{"https://-oProxyCommand=x", "Link 0", false};
        QTest::newRow("line break") << Click{"https://example.com/a\nb", "Link 0", false};
        QTest::newRow("NUL") << Click{QString("https://example.com/a") + QChar(0) + "b", "Link 0", false};
        QTest::newRow("too long") << Click{"https://example.com/" + QString(100000, u'a'), "Link 0", false};
        QTest::newRow("opener's status and first line") << Click{
            "https://a.example/status4", u"status 4 (\u2068no method available for opening it\u2069)."_s, true};
        QTest::newRow("opener's status alone")
            << Click{"https://a.example/status3", "xdg-open ended with status 3.", true};
        QTest::newRow("opener ended by a signal") << Click{"https://a.example/signal", "ended by signal 9.", true};
        QTest::newRow("a megabyte of errors") << Click{"https://a.example/noisy", "status 1 (\u2068xxxxxxxxxx", true};
        QTest::newRow("no opener") << Click{"https://a.example/", "no-such-opener could not be started", false,
                                            "no-such-opener"};
    }

    void aClickOpensOrSaysWhyNot()
    {
        QFETCH(Click, click);
        QFile::remove(m_log);
        QVERIFY(TestFiles::write(m_folder.file("links.json"), linksFile({click.url})));
        LinksStore store(m_folder.path());
        DesktopOpener opener(m_fixture.scheduler, click.program);
        QuickLinksView view(store, *m_fixture.wisp, std::bind_front(&DesktopOpener::open, &opener));
        view.resize(500, 240);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTest::mouseClick(view.grid()->viewport(), Qt::LeftButton, {},
                          view.grid()->visualRect(view.grid()->model()->index(0, 0)).center());
        // Each opener writes down what it was given before it ends.
        QTRY_VERIFY_WITH_TIMEOUT(opener.findChildren<QProcess*>().isEmpty(), timeoutMs);
        QCOMPARE(opened(), click.ran ? QStringList{QUrl(click.url).toEncoded()} : QStringList{});
        QCOMPARE(view.messageLine()->isVisible(), !click.said.isEmpty());
        QVERIFY2(view.messageLine()->text().contains(click.said), qPrintable(view.messageLine()->text()));
    }

    // An opener that stays, as xdg-open does while the browser it started runs: past the watch it is left
    // running and unheard, and reaped once it ends.
    void anOpenerThatStaysIsLeftAndReaped()
    {
        QFile::remove(m_log + ".pid");
        DesktopOpener opener(m_fixture.scheduler);
        bool failed = false;
        opener.open(QUrl("https://a.example/stays"), [&failed](const QString&, const QString&) { failed = true; });
        QString pid;
        QTRY_VERIFY_WITH_TIMEOUT(!(pid = QString::fromLatin1(TestFiles::read(m_log + ".pid")).trimmed()).isEmpty(),
                                 timeoutMs);
        m_fixture.scheduler.advance(DesktopOpener::watchTime.count());
        QVERIFY(TestFiles::write(m_log + ".release", {}));
        // It ran to its end, and is no zombie.
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists("/proc/" + pid), timeoutMs);
        QVERIFY(opened().contains("released") && !failed);
    }

    void theGridMovesAsAGrid_data()
    {
        QTest::addColumn<Walk>("walk");
        QTest::newRow("Down by a row") << Walk{7, 1, {"Down"}, 1, 1};
        QTest::newRow("Up by a row") << Walk{30, 29, {"Up"}, 29, -1};
        QTest::newRow("Right, Right, Left by a chip") << Walk{7, 0, {"Right", "Right", "Left"}, 1};
        QTest::newRow("End to the last link, out of view") << Walk{30, 0, {"End"}, 29};
        QTest::newRow("Ctrl+End") << Walk{7, 0, {"ctrl+End"}, 6};
        QTest::newRow("Ctrl+Home back into view") << Walk{30, 29, {"ctrl+Home"}, 0};
        QTest::newRow("Tab into a scrolled grid") << Walk{30, 0, {"shift+Tab", "Tab"}, -1};
        // The keyboard goes to the chip before.
        QTest::newRow("Delete removes the link") << Walk{7, 2, {"Delete"}, 1, 0, true};
        QTest::newRow("Backspace removes the link") << Walk{30, 29, {"BackSpace"}, 28, 0, true};
    }

    void theGridMovesAsAGrid()
    {
        QFETCH(Walk, walk);
        QVERIFY(
            TestFiles::write(m_folder.file("links.json"), linksFile(QStringList(walk.links, "https://example.com/"))));
        LinksStore store(m_folder.path());
        RealPanel real(m_fixture, [&](ToolID, QWidget* parent) -> QWidget* {
            return new QuickLinksView(
                store, *m_fixture.wisp, [](const QUrl&, DesktopOpener::Failed) {}, parent);
        });
        real.panel->show();
        real.panel->takeFocus();
        LinkGrid* grid = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((grid = real.panel->findChild<LinkGrid*>()) && grid->isVisible(), timeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(XTools::focusedWindow(), quint32(real.panel->winId()), timeoutMs);
        grid->setFocus(Qt::TabFocusReason);
        grid->setCurrentIndex(grid->model()->index(walk.from, 0));
        if (walk.keys.contains("Tab"))
            grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
        const QuickLink from = store.links().at(walk.from);

        QVERIFY(XTools::xdotool(QStringList{"key"} + walk.keys));
        const int to =
            walk.to + walk.rowsDown * LinkGrid::columnCount(grid->viewport()->width(), grid->minimumChipWidth());
        QTRY_VERIFY_WITH_TIMEOUT(
            grid->hasFocus() && grid->viewport()->rect().contains(grid->visualRect(grid->currentIndex()))
                && (to < 0 || grid->currentIndex().row() == to) && store.links().contains(from) != walk.removes,
            timeoutMs);
        QCOMPARE(store.links().size(), walk.links - int(walk.removes));
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestLinksOpen)
#include "tst_linksopen.moc"
