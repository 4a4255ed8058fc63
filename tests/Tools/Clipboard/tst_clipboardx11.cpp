#include "Wisplet/Platform/EwmhWindows.h"
#include "Wisplet/Platform/FrontApplications.h"
#include "Wisplet/Platform/QtPasteboard.h"
#include "Wisplet/Platform/XTestPasteKeystroke.h"
#include "Wisplet/Tools/Clipboard/ClipboardManager.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestMain.h"
#include "tests/support/XTools.h"

#include <QCoreApplication>
#include <QProcess>

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

private:
    QProcess m_process;
    QByteArray m_output;
};

QString peerProgram()
{
    return QStringLiteral(CLIPBOARD_PEER);
}

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

} // namespace

class TestClipboardX11 final : public QObject
{
    Q_OBJECT

private:
    // The peer's copy, seen by the pasteboard and polled once.
    static void copyWithPeer(Harness& h, Peer& peer)
    {
        const int before = h.pasteboard.changeCount();
        QTRY_VERIFY_WITH_TIMEOUT(peer.lines().contains(QStringLiteral("offered")), XTools::timeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(h.pasteboard.changeCount() > before, XTools::timeoutMs);
        h.manager->poll();
    }

private slots:
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
        selection.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("primary")});
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

    void copyBackPastesOnceIntoTheTarget()
    {
        Harness h;
        QVERIFY(h.paste->isPermitted());
        h.manager->setPasteDirectly(true);
        Peer owner(peerProgram(), {QStringLiteral("--offer"), QStringLiteral("text/plain=paste me")});
        copyWithPeer(h, owner);
        QCOMPARE(h.manager->items().size(), 1);

        Peer target(peerProgram(), {QStringLiteral("--paste-target")});
        QTRY_VERIFY_WITH_TIMEOUT(!target.lines().filter(QStringLiteral("ready")).isEmpty(), XTools::timeoutMs);
        const quint32 targetWindow = target.lines().filter(QStringLiteral("ready")).first().section(u' ', 1).toUInt();
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
