#include "Wisplet/Platform/EwmhWindows.h"
#include "Wisplet/Platform/FrontApplications.h"
#include "Wisplet/Platform/QtPasteboard.h"
#include "Wisplet/Platform/XTestPasteKeystroke.h"
#include "Wisplet/Tools/Clipboard/ClipboardManager.h"
#include "tests/support/Files.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Images.h"
#include "tests/support/LaunchedProgram.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/StandIns.h"
#include "tests/support/TestMain.h"
#include "tests/support/XTools.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QProcess>
#include <QRegularExpression>
#include <QWindow>

#include <sys/resource.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

// A program that runs beside the test while the test's own event loop keeps answering the X server
// (it owns the clipboard after a copy back).
class Peer final
{
public:
    Peer(const QString& program, const QStringList& arguments)
    {
        m_process.start(program, arguments);
        m_process.waitForStarted(XTools::timeoutMs);
    }
    ~Peer()
    {
        m_process.kill();
        m_process.waitForFinished(XTools::timeoutMs);
    }
    Q_DISABLE_COPY_MOVE(Peer)

    // Every line printed so far.
    QStringList lines()
    {
        m_output += m_process.readAllStandardOutput();
        return QString::fromUtf8(m_output).split(u'\n', Qt::SkipEmptyParts);
    }
    bool hasFinished() const { return m_process.state() == QProcess::NotRunning; }
    void write(const QByteArray& line) { m_process.write(line); }
    // The window id the peer printed after a word ("ready", "shown"); 0 until it has.
    quint32 windowAfter(const QString& word)
    {
        const QStringList found = lines().filter(QRegularExpression(u'^' + word + u' '));
        return found.isEmpty() ? 0 : found.first().section(u' ', 1).toUInt();
    }

private:
    QProcess m_process;
    QByteArray m_output;
};

QString peerProgram()
{
    return QStringLiteral(CLIPBOARD_PEER);
}

// The most memory the process has held so far.
qint64 peakBytes()
{
    struct rusage usage = {};
    ::getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_maxrss) * 1024;
}

// A window of the test's that counts the keys typed into it.
class KeyCounter final : public QWindow
{
public:
    int presses = 0;

protected:
    void keyPressEvent(QKeyEvent* /*event*/) override { ++presses; }
};

// Takes the clipboard on a connection of its own and never answers anyone who asks for it.
class SilentOwner final
{
public:
    SilentOwner()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        const xcb_window_t window = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_intern_atom_reply_t* clipboard =
            xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, false, 9, "CLIPBOARD"), nullptr);
        xcb_set_selection_owner(m_connection, window, clipboard->atom, XCB_CURRENT_TIME);
        std::free(clipboard);
        xcb_flush(m_connection);
    }
    ~SilentOwner() { xcb_disconnect(m_connection); }
    Q_DISABLE_COPY_MOVE(SilentOwner)

private:
    xcb_connection_t* m_connection;
};

struct Harness : CompanionFixture
{
    Harness()
    {
        defaults.set(QStringLiteral("clipboard.consent"), true);
        manager = std::make_unique<ClipboardManager>(
            ClipboardManager::Services{defaults, clock, scheduler, settings, *wisp, pasteboard, applications, *paste},
            folder.path(), false);
    }

    TempFolder folder;
    QtPasteboard pasteboard;
    std::unique_ptr<ActiveWindowSource> windows = EwmhWindows::forSession();
    FrontApplications applications{*windows, QCoreApplication::applicationPid()};
    std::unique_ptr<PasteKeystroke> paste = XTestPasteKeystroke::forSession();
    std::unique_ptr<ClipboardManager> manager;
};

// Who is taken for the maker of a copy: rows exclude the program that made it or the one in front.
struct CreditRow
{
    // What happens to the window in front around the copy.
    enum class Front { stays, leftAtOnce, closedBefore };

    bool excludeMaker;
    bool excludeFront;
    bool captured;
    Front front = Front::stays;
    // Made by a program of its own window class (not in front) that withdraws its window right after
    // copying, excluded by that class; otherwise by a command-line tool, excluded by its name.
    bool windowed = false;
};

// A command-line helper that forks: the process that took the clipboard leaves at once, its child keeps it.
struct HelperRow
{
    QString program;
    QStringList arguments;
    // The name excluded; empty: none.
    QString excluded;
    // The name the entry is credited to; empty: no entry.
    QString app;
};

// An owner that lists the password manager's hint: what it answers when asked for it.
struct HintRow
{
    QString answer;
    bool captured;
};

} // namespace

Q_DECLARE_METATYPE(CreditRow)
Q_DECLARE_METATYPE(HelperRow)
Q_DECLARE_METATYPE(HintRow)

class TestClipboardX11 final : public QObject
{
    Q_OBJECT

private:
    // The peer's copy, seen by the pasteboard and read.
    static void copyWithPeer(Harness& h, Peer& peer)
    {
        const int before = h.pasteboard.changeCount();
        QTRY_VERIFY_WITH_TIMEOUT(peer.lines().contains(QStringLiteral("offered")), XTools::timeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(h.pasteboard.changeCount() > before, XTools::timeoutMs);
        // Ticking, as capture does, until a read is done: the owner of the test before may still be leaving.
        QTRY_VERIFY_WITH_TIMEOUT((h.manager->poll(), !h.manager->isReading()), XTools::timeoutMs);
    }

private slots:
    // First, while the process's peak memory is still its own.
    void aHugeCopyIsRefusedUnread()
    {
        Harness h;
        const QString huge = h.folder.file(QStringLiteral("huge.txt"));
        QVERIFY(StandIns::place(huge, StandIns::sized(100 * 1024 * 1024 + 1)));
        const qint64 peakBefore = peakBytes();
        Peer peer(peerProgram(), {QStringLiteral("--offer"), QStringLiteral("text/plain=@") + huge});
        QTRY_VERIFY_WITH_TIMEOUT(peer.lines().contains(QStringLiteral("offered")), 60'000);
        QTRY_VERIFY_WITH_TIMEOUT(h.pasteboard.changeCount() > 0, XTools::timeoutMs);
        h.manager->poll();
        // The panel goes on while the owner answers.
        QVERIFY(h.manager->isReading());
        QTRY_VERIFY_WITH_TIMEOUT(!h.manager->isReading(), XTools::timeoutMs);
        QVERIFY(h.manager->items().isEmpty());
        QVERIFY(h.manager->message());
        QVERIFY2(peakBytes() - peakBefore < 40 * 1024 * 1024,
                 qPrintable(QStringLiteral("peak grew by %1 MB").arg((peakBytes() - peakBefore) >> 20)));
    }

    // xclip sends a large copy in pieces without saying how large it is.
    void copiesInPiecesAreRead()
    {
        Harness h;
        const QByteArray text = QByteArray("piece by piece\n").repeated(250'000).append("last");
        const QString file = h.folder.file(QStringLiteral("copied.txt"));
        QVERIFY(TestFiles::write(file, text));
        const int before = h.pasteboard.changeCount();
        QProcess xclip;
        xclip.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"), file});
        QTRY_VERIFY_WITH_TIMEOUT(h.pasteboard.changeCount() > before, XTools::timeoutMs);
        // Ticking, as capture does: the owner of the test before may still be leaving the clipboard.
        QTRY_VERIFY_WITH_TIMEOUT((h.manager->poll(), !h.manager->items().isEmpty()), XTools::timeoutMs * 3);
        QVERIFY(h.manager->items().size() == 1 && h.manager->items().first().text.toUtf8() == text);
        xclip.kill();
        xclip.waitForFinished(XTools::timeoutMs);
    }

    void anOwnerThatNeverAnswersHoldsNothingUp()
    {
        Harness h;
        const int before = h.pasteboard.changeCount();
        const SilentOwner silent;
        QTRY_VERIFY_WITH_TIMEOUT(h.pasteboard.changeCount() > before, XTools::timeoutMs);
        h.manager->poll();
        QVERIFY(h.manager->isReading());
        QTRY_VERIFY_WITH_TIMEOUT(!h.manager->isReading(), XTools::timeoutMs);
        QVERIFY(h.manager->items().isEmpty());

        // The next copy is read as ever.
        Peer peer(peerProgram(), {QStringLiteral("--offer"), QStringLiteral("text/plain=after the silence")});
        copyWithPeer(h, peer);
        QCOMPARE(h.manager->items().size(), 1);
        QCOMPARE(h.manager->items().first().text, QStringLiteral("after the silence"));
    }

    void capturesPlainText()
    {
        Harness h;
        Peer password(peerProgram(),
                      {QStringLiteral("--offer"), QStringLiteral("text/plain=hunter2"),
                       QStringLiteral("x-kde-passwordManagerHint=secret")});
        copyWithPeer(h, password);
        QVERIFY(h.manager->items().isEmpty());
        // The mouse selection changes next, and never counts.
        const int before = h.pasteboard.changeCount();
        QProcess selection;
        // Without -quiet it would fork, and its child would outlive the test.
        selection.start(QStringLiteral("xclip"),
                        {QStringLiteral("-quiet"), QStringLiteral("-selection"), QStringLiteral("primary")});
        selection.write("selected with the mouse");
        selection.closeWriteChannel();
        Peer peer(peerProgram(), {QStringLiteral("--offer"), QStringLiteral("text/plain=copied for real")});
        copyWithPeer(h, peer);
        QCOMPARE(h.pasteboard.changeCount(), before + 1);
        QCOMPARE(h.manager->items().size(), 1);
        QCOMPARE(h.manager->items().first().text, QStringLiteral("copied for real"));
        selection.kill();
        selection.waitForFinished(XTools::timeoutMs);
    }

    void fileCopyGoesBackAsFileReferences()
    {
        Harness h;
        Peer peer(peerProgram(),
                  {QStringLiteral("--offer"), QStringLiteral("text/uri-list=file:///tmp/a%20b.txt"),
                   QStringLiteral("x-special/gnome-copied-files=copy\nfile:///tmp/a%20b.txt"),
                   QStringLiteral("text/plain=a b.txt")});
        copyWithPeer(h, peer);
        QCOMPARE(h.manager->items().size(), 1);
        QCOMPARE(h.manager->items().first().filePaths, QStringList{QStringLiteral("/tmp/a b.txt")});

        h.manager->copyBack(h.manager->items().first());
        for (const QString& type : {QStringLiteral("text/uri-list"), QStringLiteral("x-special/gnome-copied-files")}) {
            QProcess reader;
            reader.start(QStringLiteral("xclip"),
                         {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                          QStringLiteral("-t"), type});
            QTRY_VERIFY_WITH_TIMEOUT(reader.state() == QProcess::NotRunning, XTools::timeoutMs);
            QVERIFY2(reader.readAllStandardOutput().contains("file:///tmp/a%20b.txt"), qPrintable(type));
        }
    }

    void aCopyReplacedDuringItsReadIsNotReadFromItsSuccessor()
    {
        Harness h;
        const QStringList formats{QStringLiteral("text/uri-list=https://example.org/"),
                                  QStringLiteral("text/plain=to be read"), QStringLiteral("image/png=picture")};
        // Lists its types at once and never answers for anything else.
        Peer slow(peerProgram(), QStringList{QStringLiteral("--silent")} + formats);
        QTRY_VERIFY_WITH_TIMEOUT(slow.lines().contains(QStringLiteral("offered")), XTools::timeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT((h.manager->poll(), slow.lines().contains(QStringLiteral("request text/uri-list"))),
                                 XTools::timeoutMs);

        // A password manager's copy comes while the read waits.
        Peer secret(peerProgram(),
                    QStringList{QStringLiteral("--serve"), QStringLiteral("x-kde-passwordManagerHint=secret")}
                        + formats);
        QTRY_VERIFY_WITH_TIMEOUT(secret.lines().contains(QStringLiteral("offered")), XTools::timeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(
            (h.manager->poll(), secret.lines().contains(QStringLiteral("request x-kde-passwordManagerHint"))),
            XTools::timeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(!h.manager->isReading(), XTools::timeoutMs);
        // Its types and its hint, and nothing of what it holds.
        QCOMPARE(secret.lines(),
                 (QStringList{QStringLiteral("offered"), QStringLiteral("request TARGETS"),
                              QStringLiteral("request x-kde-passwordManagerHint")}));
        QVERIFY(h.manager->items().isEmpty());
    }

    void copiesAreCreditedToTheProgramThatMadeThem_data()
    {
        QTest::addColumn<CreditRow>("row");
        using Front = CreditRow::Front;
        QTest::newRow("nobody excluded") << CreditRow{false, false, true};
        QTest::newRow("the maker excluded") << CreditRow{true, false, false};
        QTest::newRow("the window in front excluded") << CreditRow{false, true, false};
        QTest::newRow("the window in front excluded, left at once") << CreditRow{false, true, false, Front::leftAtOnce};
        // The window manager goes on naming the closed window as the active one.
        QTest::newRow("the window in front excluded, closed before")
            << CreditRow{false, true, true, Front::closedBefore};
        QTest::newRow("the maker excluded by the class of a window withdrawn at once")
            << CreditRow{true, false, false, Front::stays, true};
    }

    void copiesAreCreditedToTheProgramThatMadeThem()
    {
        QFETCH(CreditRow, row);
        Harness h;
        // As the program runs: copies are looked at as they arrive.
        h.manager->start();
        const QString makerClass = QStringLiteral("VaultKeeper");
        std::optional<Peer> windowed;
        if (row.windowed) {
            windowed.emplace(peerProgram(),
                             QStringList{QStringLiteral("--window"), makerClass, QStringLiteral("text/plain=hunter2")});
            // Listed by the window manager before the copy, which we hear of in that order.
            QTRY_VERIFY_WITH_TIMEOUT(XTools::stackingOrder().contains(windowed->windowAfter(QStringLiteral("shown"))),
                                     XTools::timeoutMs);
        }
        std::optional<Peer> front(std::in_place, peerProgram(), QStringList{QStringLiteral("--paste-target")});
        QTRY_VERIFY_WITH_TIMEOUT(front->windowAfter(QStringLiteral("ready")) != 0, XTools::timeoutMs);
        const quint32 frontWindow = front->windowAfter(QStringLiteral("ready"));
        QTRY_VERIFY_WITH_TIMEOUT(h.applications.front() && h.applications.front()->id == frontWindow,
                                 XTools::timeoutMs);
        QStringList excluded;
        if (row.excludeMaker)
            excluded.append(row.windowed ? makerClass : QStringLiteral("xclip"));
        if (row.excludeFront)
            excluded.append(h.applications.front()->appId);
        h.manager->setExcludedAppIds(excluded);
        if (row.front == CreditRow::Front::closedBefore) {
            front.reset();
            QTRY_VERIFY_WITH_TIMEOUT(!XTools::stackingOrder().contains(frontWindow), XTools::timeoutMs);
        }

        const int before = h.pasteboard.changeCount();
        QProcess xclip;
        if (row.windowed) {
            windowed->write("copy\n");
        } else {
            // A command-line tool, which has no window, copies while another program is in front.
            xclip.start(QStringLiteral("xclip"),
                        {QStringLiteral("-quiet"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
            xclip.write("made on the command line");
            xclip.closeWriteChannel();
        }
        QTRY_VERIFY_WITH_TIMEOUT(h.pasteboard.changeCount() > before, XTools::timeoutMs);
        std::optional<Peer> next;
        if (row.front == CreditRow::Front::leftAtOnce) {
            next.emplace(QStringLiteral("xmessage"), QStringList{QStringLiteral("next")});
            QTRY_VERIFY_WITH_TIMEOUT(h.applications.front() && h.applications.front()->id != frontWindow,
                                     XTools::timeoutMs);
        }
        QTRY_VERIFY_WITH_TIMEOUT((h.manager->poll(), !h.manager->isReading()), XTools::timeoutMs);
        QCOMPARE(h.manager->items().size(), row.captured ? 1 : 0);
        if (row.captured)
            QCOMPARE(h.manager->items().first().app, QStringLiteral("xclip"));
        xclip.kill();
        xclip.waitForFinished(XTools::timeoutMs);
    }

    void forkingHelpersAreFoundBehindTheirChildren_data()
    {
        QTest::addColumn<HelperRow>("row");
        const QString xclip = QStringLiteral("xclip");
        const QString xsel = QStringLiteral("xsel");
        const QStringList toClipboard{QStringLiteral("-selection"), QStringLiteral("clipboard")};
        const QStringList xselToClipboard{QStringLiteral("--clipboard"), QStringLiteral("--input")};
        QTest::newRow("xclip") << HelperRow{xclip, toClipboard, QString(), xclip};
        QTest::newRow("xclip, excluded") << HelperRow{xclip, toClipboard, xclip, QString()};
        QTest::newRow("xsel") << HelperRow{xsel, xselToClipboard, QString(), xsel};
        QTest::newRow("xsel, excluded") << HelperRow{xsel, xselToClipboard, xsel, QString()};
        // Known to the kernel as xclip, to its arguments as a password manager.
        QTest::newRow("xclip started under an excluded name")
            << HelperRow{QStringLiteral("bash"),
                         {QStringLiteral("-c"), QStringLiteral("exec -a keepassxc xclip -selection clipboard")},
                         QStringLiteral("keepassxc"),
                         QString()};
    }

    void forkingHelpersAreFoundBehindTheirChildren()
    {
        QFETCH(HelperRow, row);
        Harness h;
        h.manager->setExcludedAppIds(row.excluded.isEmpty() ? QStringList() : QStringList{row.excluded});
        const int before = h.pasteboard.changeCount();
        // As a password tool pipes a password into it.
        QProcess helper;
        helper.start(row.program, row.arguments);
        helper.write("hunter2");
        helper.closeWriteChannel();
        QVERIFY(helper.waitForFinished(XTools::timeoutMs));
        QTRY_VERIFY_WITH_TIMEOUT(h.pasteboard.changeCount() > before, XTools::timeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT((h.manager->poll(), !h.manager->isReading()), XTools::timeoutMs);
        QCOMPARE(h.manager->items().size(), row.app.isEmpty() ? 0 : 1);
        if (!row.app.isEmpty())
            QCOMPARE(h.manager->items().first().app, row.app);
        // The child leaves once another program takes the clipboard.
        const int taken = h.pasteboard.changeCount();
        const SilentOwner next;
        QTRY_VERIFY_WITH_TIMEOUT(h.pasteboard.changeCount() > taken, XTools::timeoutMs);
    }

    void aPasswordHintThatCannotBeReadMakesTheCopySecret_data()
    {
        QTest::addColumn<HintRow>("row");
        QTest::newRow("refused") << HintRow{QStringLiteral("<refuse>"), false};
        QTest::newRow("never answered") << HintRow{QStringLiteral("<ignore>"), false};
        // As a refusal reads where the clipboard is read through Qt.
        QTest::newRow("answered empty") << HintRow{QString(), false};
        QTest::newRow("answered, not secret") << HintRow{QStringLiteral("accepted"), true};
        QTest::newRow("answered in another case") << HintRow{QStringLiteral("Secret"), false};
    }

    void aPasswordHintThatCannotBeReadMakesTheCopySecret()
    {
        QFETCH(HintRow, row);
        Harness h;
        // Offered in the order the atoms were made: the hint, in another case, after 300 other targets.
        QStringList offered{QStringLiteral("--serve"), QStringLiteral("text/plain=hunter2")};
        for (int index = 0; index < 300; ++index)
            offered.append(QStringLiteral("application/x-filler-%1=").arg(index));
        Peer owner(peerProgram(), offered << QStringLiteral("X-KDE-PasswordManagerHint=") + row.answer);
        copyWithPeer(h, owner);
        QVERIFY(owner.lines().contains(QStringLiteral("request X-KDE-PasswordManagerHint")));
        QCOMPARE(h.manager->items().size(), row.captured ? 1 : 0);
    }

    void keysTypedWhileQuittingWaitsForACopyAreNotTaken()
    {
        Harness h;
        KeyCounter window;
        window.setGeometry(100, 100, 200, 100);
        window.show();
        window.requestActivate();
        QTRY_VERIFY_WITH_TIMEOUT(window.isActive() && XTools::focusedWindow() == window.winId(), XTools::timeoutMs);
        const int before = h.pasteboard.changeCount();
        const SilentOwner silent;
        QTRY_VERIFY_WITH_TIMEOUT(h.pasteboard.changeCount() > before, XTools::timeoutMs);
        QProcess typist;
        typist.start(QStringLiteral("xdotool"),
                     {QStringLiteral("sleep"), QStringLiteral("0.3"), QStringLiteral("key"), QStringLiteral("a")});
        QVERIFY(typist.waitForStarted(XTools::timeoutMs));
        // The silent owner keeps the copy's read waiting for the whole of the last look.
        h.manager->stopForQuit(QDeadlineTimer(1000));
        // Typed by now (the wait lasts longer than the typist's); waiting for it delivers no window's event.
        QVERIFY(typist.state() == QProcess::NotRunning || typist.waitForFinished(XTools::timeoutMs));
        QCOMPARE(window.presses, 0);
        // The key had come, and is delivered once quitting's wait is over.
        QTRY_COMPARE_WITH_TIMEOUT(window.presses, 1, XTools::timeoutMs);
    }

    // Its waits together (the last look at a copy whose owner never answers, the add a quit stopped last time,
    // tried again and held in its write) share one deadline: the quit ends in order and keeps the reminder.
    void quittingDuringAStalledReadEndsPromptly()
    {
        PrivateBus bus;
        QVERIFY2(bus.start(), qPrintable(bus.errorText()));
        const TempFolder home;
        const QString todo = home.file(QStringLiteral("todo"));
        QVERIFY(QDir().mkpath(todo));
        QVERIFY(TestFiles::write(
            home.file(QStringLiteral("config/Wisplet/defaults.json")),
            QStringLiteral(
                R"({"onboarded": true, "tools.enabled": ["clipboard", "calendar"], "clipboard.consent":)"
                R"( true, "reminders.folder": "%1", "reminders.unfinishedWrites": [{"kind": "add", "folder":)"
                R"( "%1", "file": "U1.ics", "uid": "U1", "title": "Call Ana", "at": {"$date": 800000000}}]})")
                .arg(todo)
                .toUtf8()));
        QMap<QString, QString> environment = LaunchedProgram::homeOnBus(bus.address(), home);
        environment.insert(QStringLiteral("WISPLET_TEST_HOLD_BEFORE_WRITE_MS"), QStringLiteral("20000"));
        const auto wisplet = LaunchedProgram::start(QStringLiteral(WISPLET_BINARY), environment);
        QTRY_VERIFY_WITH_TIMEOUT(LaunchedProgram::visibleWindowOf(*wisplet) != 0, XTools::timeoutMs * 3);

        Peer silent(peerProgram(),
                    {QStringLiteral("--silent"), QStringLiteral("text/uri-list=https://example.org/"),
                     QStringLiteral("text/plain=never sent"), QStringLiteral("image/png=never sent")});
        QTRY_VERIFY_WITH_TIMEOUT(silent.lines().contains(QStringLiteral("request text/uri-list")), XTools::timeoutMs);
        QElapsedTimer quitting;
        quitting.start();
        wisplet->terminate();
        QVERIFY(LaunchedProgram::exitedWith(*wisplet, 0));
        QVERIFY2(quitting.elapsed() < 2000, qPrintable(QStringLiteral("%1 ms").arg(quitting.elapsed())));
        const QByteArray kept = TestFiles::read(home.file(QStringLiteral("config/Wisplet/defaults.json")));
        QVERIFY2(kept.contains("Call Ana"), kept.constData());
        QCOMPARE(QDir(todo).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }

    void aCopyJustBeforeQuittingIsKept_data()
    {
        QTest::addColumn<QString>("offered");
        QTest::addColumn<QString>("kind");
        QTest::newRow("text") << QStringLiteral("text/plain=copied as the day ends") << QStringLiteral("text");
        QTest::newRow("image") << QStringLiteral("image/png=@") + QStringLiteral(":picture") << QStringLiteral("image");
    }

    void aCopyJustBeforeQuittingIsKept()
    {
        QFETCH(QString, offered);
        QFETCH(QString, kind);
        const TempFolder files;
        const QString picture = files.file(QStringLiteral("picture.png"));
        QVERIFY(TestFiles::write(picture, TestImages::marked(QSize(400, 300), "PNG")));
        offered.replace(QStringLiteral(":picture"), picture);
        // Ticks come every half second: three quits in a row would keep the copy by luck once in a while only.
        for (int attempt = 0; attempt < 3; ++attempt) {
            LaunchedProgram::Session wisplet;
            QVERIFY2(wisplet.start(QStringLiteral(WISPLET_BINARY),
                                   R"({"onboarded": true, "tools.enabled": ["clipboard"], "clipboard.consent": true})"),
                     qPrintable(wisplet.errorText()));
            Peer owner(peerProgram(), {QStringLiteral("--offer"), offered});
            QTRY_VERIFY_WITH_TIMEOUT(owner.lines().contains(QStringLiteral("offered")), XTools::timeoutMs);
            QTest::qWait(200);
            QElapsedTimer quitting;
            quitting.start();
            wisplet.process().terminate();
            QVERIFY(LaunchedProgram::exitedWith(wisplet.process(), 0));
            QVERIFY2(quitting.elapsed() < 2000, qPrintable(QStringLiteral("%1 ms").arg(quitting.elapsed())));
            const QJsonArray history =
                QJsonDocument::fromJson(
                    TestFiles::read(wisplet.homeFile(QStringLiteral("data/Wisplet/clipboard.json"))))
                    .array();
            QCOMPARE(history.size(), 1);
            QCOMPARE(history.first().toObject().value(QStringLiteral("kind")).toString(), kind);
        }
    }

    void copyBackPastesOnceIntoTheTarget()
    {
        Harness h;
        QVERIFY(h.paste->isPermitted());
        h.manager->setPasteDirectly(true);
        Peer owner(peerProgram(), {QStringLiteral("--offer"), QStringLiteral("text/plain=paste me")});
        copyWithPeer(h, owner);
        QCOMPARE(h.manager->items().size(), 1);

        Peer target(peerProgram(), {QStringLiteral("--paste-target")});
        QTRY_VERIFY_WITH_TIMEOUT(target.windowAfter(QStringLiteral("ready")) != 0, XTools::timeoutMs);
        const quint32 targetWindow = target.windowAfter(QStringLiteral("ready"));
        QTRY_VERIFY_WITH_TIMEOUT(h.applications.lastOther() && h.applications.lastOther()->id == targetWindow,
                                 XTools::timeoutMs);

        h.manager->copyBack(h.manager->items().first());
        const int written = h.pasteboard.changeCount();
        h.scheduler.advance(ClipboardManager::pasteDelayMs);
        QTRY_VERIFY_WITH_TIMEOUT(target.lines().contains(QStringLiteral("text:paste me")), XTools::timeoutMs);
        // A key typed after it shows whether a second paste came in between.
        QVERIFY(XTools::xdotool({QStringLiteral("type"), QStringLiteral("x")}));
        QTRY_VERIFY_WITH_TIMEOUT(target.lines().contains(QStringLiteral("text:paste mex")), XTools::timeoutMs);
        QCOMPARE(target.lines(),
                 (QStringList{QStringLiteral("ready %1").arg(targetWindow), QStringLiteral("text:paste me"),
                              QStringLiteral("text:paste mex")}));

        // Our own write counts once and is not taken for a new copy.
        QCOMPARE(h.pasteboard.changeCount(), written);
        h.manager->poll();
        QCOMPARE(h.manager->items().size(), 1);
    }
};

WISPLET_TEST_MAIN(TestClipboardX11)
#include "tst_clipboardx11.moc"
