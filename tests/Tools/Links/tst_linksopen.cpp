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

using XTools::timeoutMs;

namespace {

const QString good = QStringLiteral("https://example.com/ok");

QByteArray linksFile(const QStringList& urls)
{
    QJsonArray links;
    for (const QString& url : urls)
        links.append(QJsonObject{{"id", QUuid::createUuid().toString(QUuid::WithoutBraces)},
                                 {"title", QStringLiteral("Link ") + QString::number(links.size())},
                                 {"url", url}});
    return QJsonDocument(links).toJson();
}

// Keys pressed on the grid from a chip, and the chip the keyboard is on then (-1: any in view), given the
// grid's columns; or the link they removed.
struct Walk
{
    int links;
    int from;
    QStringList keys;
    std::function<int(int columns)> to;
    bool removes = false;
};

// The desktop's opener stands in for xdg-open first on the PATH: it writes down its arguments and its
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

// The opener run, the address it is given, and the start of what it is said to have done ("why|line").
struct Failing
{
    QString program;
    QString url;
    QString said;
};

} // namespace

Q_DECLARE_METATYPE(Walk)
Q_DECLARE_METATYPE(Failing)

// Links clicked on the page and opened the way the program opens them, and the grid driven with the keys a
// user presses, through the X server into the real panel.
class TestLinksOpen final : public QObject
{
    Q_OBJECT

private:
    RegistryFixture m_fixture;
    TempFolder m_folder;
    QString m_log;

    QStringList opened() const
    {
        const QString log = QString::fromUtf8(TestFiles::read(m_log));
        return log.split(u'\n', Qt::SkipEmptyParts);
    }
    DesktopOpener::Failed noted(QStringList& failures)
    {
        return [&failures](const QString& why, const QString& line) { failures << why + u'|' + line; };
    }

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

    void onlyWhatATypedLinkCouldBeOpens_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("opens");
        QTest::newRow("script") << "javascript:alert(1)" << false;
        QTest::newRow("script with slashes") << "javascript://example.com/%0Aalert(1)" << false;
        QTest::newRow("an option of the opener") << "--help" << false;
        QTest::newRow("absolute path, not as a file URL") << "/etc/hosts" << false;
        QTest::newRow("web address as typed") << "https://example.com/a?b=c" << true;
        QTest::newRow("file URL as typed") << "file:///tmp/" << true;
        QTest::newRow("mail") << "mailto:a@b" << true;
        QTest::newRow("another scheme with slashes") << "sftp://example.com/a" << true;
        QTest::newRow("host that is an option") << "https://-oProxyCommand=x" << false;
        QTest::newRow("line break") << "https://example.com/a\nb" << false;
        QTest::newRow("NUL") << QString("https://example.com/a") + QChar(0) + "b" << false;
        QTest::newRow("too long") << "https://example.com/" + QString(100000, u'a') << false;
    }

    void onlyWhatATypedLinkCouldBeOpens()
    {
        QFETCH(QString, url);
        QFETCH(bool, opens);
        QFile::remove(m_log);
        QVERIFY(TestFiles::write(m_folder.file("links.json"), linksFile({url, good})));
        LinksStore store(m_folder.path());
        DesktopOpener opener(m_fixture.scheduler);
        QuickLinksView view(store, *m_fixture.wisp, std::bind_front(&DesktopOpener::open, &opener));
        view.resize(500, 240);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        LinkGrid* grid = view.grid();
        const auto click = [grid](int row) {
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              grid->visualRect(grid->model()->index(row, 0)).center());
        };

        click(0);
        QCOMPARE(view.messageLine()->isVisible(), !opens);
        if (!opens)
            QVERIFY(view.messageLine()->text().contains("Link 0"));
        click(1);
        // Each writes down what it was given before it ends.
        QTRY_VERIFY_WITH_TIMEOUT(opener.findChildren<QProcess*>().isEmpty(), timeoutMs);
        QStringList expected = opens ? QStringList{QUrl(url).toEncoded(), good} : QStringList{good};
        QStringList each = opened();
        expected.sort();
        each.sort();
        QCOMPARE(each, expected);
        QVERIFY(view.messageLine()->isHidden());
    }

    // Whatever stops the opener is said, with the first line it wrote, however much it writes.
    void aFailingOpenerIsSaid_data()
    {
        QTest::addColumn<Failing>("row");
        QTest::newRow("status and first line") << Failing{
            "xdg-open", "https://a.example/status4", "xdg-open ended with status 4|no method available for opening it"};
        QTest::newRow("status alone") << Failing{"xdg-open", "https://a.example/status3",
                                                 "xdg-open ended with status 3|"};
        QTest::newRow("a signal") << Failing{"xdg-open", "https://a.example/signal", "xdg-open was ended by signal 9|"};
        QTest::newRow("no opener") << Failing{"no-such-opener", "https://a.example/",
                                              "no-such-opener could not be started ("};
        QTest::newRow("an option, not an address") << Failing{"xdg-open", "--help", "the address is not absolute|"};
        QTest::newRow("a megabyte of errors")
            << Failing{"xdg-open", "https://a.example/noisy", "xdg-open ended with status 1|" + QString(4096, u'x')};
    }

    void aFailingOpenerIsSaid()
    {
        QFETCH(Failing, row);
        DesktopOpener opener(m_fixture.scheduler, row.program);
        QStringList failures;
        opener.open(QUrl(row.url), noted(failures));
        QTRY_COMPARE_WITH_TIMEOUT(failures.size(), 1, timeoutMs);
        QVERIFY2(failures.first().startsWith(row.said), qPrintable(failures.first()));
        QTRY_VERIFY_WITH_TIMEOUT(opener.findChildren<QProcess*>().isEmpty(), timeoutMs);
    }

    // An opener that stays, as xdg-open does while the browser it started runs: past the watch it is left
    // running and unheard, and reaped once it ends.
    void anOpenerThatStaysIsLeftAndReaped()
    {
        QFile::remove(m_log + ".release");
        QFile::remove(m_log + ".pid");
        DesktopOpener opener(m_fixture.scheduler);
        QStringList failures;
        opener.open(QUrl("https://a.example/stays"), noted(failures));
        QString pid;
        QTRY_VERIFY_WITH_TIMEOUT(!(pid = QString::fromLatin1(TestFiles::read(m_log + ".pid")).trimmed()).isEmpty(),
                                 timeoutMs);
        m_fixture.scheduler.advance(DesktopOpener::watchTime.count());
        QVERIFY(TestFiles::write(m_log + ".release", {}));
        // It ran to its end, and is no zombie.
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists("/proc/" + pid), timeoutMs);
        QVERIFY(opened().contains("released"));
        QVERIFY(failures.isEmpty());
    }

    void theGridMovesAsAGrid_data()
    {
        QTest::addColumn<Walk>("walk");
        const auto at = [](int row) { return [row](int) { return row; }; };
        QTest::newRow("Down by a row") << Walk{7, 1, {"Down"}, [](int columns) { return 1 + columns; }};
        QTest::newRow("Up by a row") << Walk{30, 29, {"Up"}, [](int columns) { return 29 - columns; }};
        QTest::newRow("Right, Right, Left by a chip") << Walk{7, 0, {"Right", "Right", "Left"}, at(1)};
        QTest::newRow("End to the last link, out of view") << Walk{30, 0, {"End"}, at(29)};
        QTest::newRow("Ctrl+End") << Walk{7, 0, {"ctrl+End"}, at(6)};
        QTest::newRow("Ctrl+Home back into view") << Walk{30, 29, {"ctrl+Home"}, at(0)};
        QTest::newRow("Tab into a scrolled grid") << Walk{30, 0, {"shift+Tab", "Tab"}, at(-1)};
        // The keyboard goes to the chip before.
        QTest::newRow("Delete removes the link") << Walk{7, 2, {"Delete"}, at(1), true};
        QTest::newRow("Backspace removes the link") << Walk{30, 29, {"BackSpace"}, at(28), true};
    }

    void theGridMovesAsAGrid()
    {
        QFETCH(Walk, walk);
        QStringList urls;
        for (int i = 0; i < walk.links; ++i)
            urls << "https://example.com/" + QString::number(i);
        QVERIFY(TestFiles::write(m_folder.file("links.json"), linksFile(urls)));
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
        const int to = walk.to(LinkGrid::columnCount(grid->viewport()->width(), grid->minimumChipWidth()));
        const auto shown = [grid] {
            return grid->hasFocus() && grid->viewport()->rect().contains(grid->visualRect(grid->currentIndex()));
        };
        QTRY_VERIFY_WITH_TIMEOUT(shown() && (to < 0 || grid->currentIndex().row() == to)
                                     && store.links().contains(from) != walk.removes,
                                 timeoutMs);
        QCOMPARE(store.links().size(), walk.links - int(walk.removes));
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestLinksOpen)
#include "tst_linksopen.moc"
