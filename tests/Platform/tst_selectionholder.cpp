#include "Wisplet/Platform/ProcessName.h"
#include "Wisplet/Platform/SelectionHolder.h"
#include "Wisplet/Platform/XcbClientProcess.h"
#include "tests/support/Files.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstring>

namespace {

// This user's processes (pid → display connections held), what the X server counts for each, and who is
// taken for the maker.
struct MakerRow
{
    QHash<qint64, int> held;
    bool connectionsKnown;
    std::optional<QHash<qint64, int>> opened;
    CopyMaker::Certainty certainty;
    qint64 maker;
    QList<qint64> suspects;
    // Connections whose opener has gone.
    int orphaned = 1;
};

// A process as /proc shows it: the kernel's name, the arguments, and the executable (none: hidden).
struct NamesRow
{
    QByteArray comm;
    QByteArray cmdline;
    QString exe;
    QStringList names;
};

// A process folder of a /proc tree: its state and its descriptors' targets.
void plantProcess(const TempFolder& proc, qint64 pid, char state, const QList<QByteArray>& descriptors)
{
    const QString folder = proc.file(QString::number(pid));
    QVERIFY(TestFiles::write(folder + QLatin1String("/stat"),
                             QByteArray::number(pid) + " (a (tricky) name) " + state + " 1 1 1"));
    QVERIFY(QDir().mkpath(folder + QLatin1String("/fd")));
    for (qsizetype n = 0; n < descriptors.size(); ++n)
        QVERIFY(QFile::link(QString::fromLatin1(descriptors[n]), folder + QLatin1String("/fd/") + QString::number(n)));
}

// An X server listening on its socket file only, as some hardened sessions run it. Its display's abstract
// name is held by a socket that never listens: clients are refused there and go to the file, and no other
// server on the machine takes the name meanwhile.
struct PathOnlyServer
{
    PathOnlyServer()
    {
        for (int number = 150; number < 250 && display.isEmpty(); ++number) {
            ::close(std::exchange(held, ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)));
            const QByteArray name = "/tmp/.X11-unix/X" + QByteArray::number(number);
            sockaddr_un address{AF_UNIX, {}};
            std::memcpy(address.sun_path + 1, name.constData(), size_t(name.size()));
            if (::bind(held, reinterpret_cast<const sockaddr*>(&address),
                       socklen_t(sizeof(sa_family_t) + 1 + name.size()))
                != 0)
                continue;
            // It says its number once it takes connections, and ends when the display is taken.
            server.start(QStringLiteral("Xvfb"),
                         {u':' + QString::number(number), QStringLiteral("-displayfd"), QStringLiteral("1"),
                          QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-nolisten"),
                          QStringLiteral("local")});
            if (server.waitForReadyRead(10'000))
                display = u':' + QString::number(number);
            else
                server.waitForFinished(10'000);
        }
    }
    ~PathOnlyServer()
    {
        server.terminate();
        server.waitForFinished(10'000);
        ::close(held);
    }
    Q_DISABLE_COPY_MOVE(PathOnlyServer)

    QString display;
    QProcess server;
    int held = -1;
};

} // namespace

Q_DECLARE_METATYPE(MakerRow)
Q_DECLARE_METATYPE(NamesRow)

class TestSelectionHolder final : public QObject
{
    Q_OBJECT

private slots:
    void makerAmong_data()
    {
        using Certainty = CopyMaker::Certainty;
        QTest::addColumn<MakerRow>("row");
        const QHash<qint64, int> opened{{10, 1}, {11, 2}};
        QTest::newRow("the one holding an inherited connection")
            << MakerRow{{{10, 1}, {11, 2}, {20, 1}, {30, 0}}, true, opened, Certainty::known, 20, {}};
        QTest::newRow("a second connection beside its own")
            << MakerRow{{{10, 2}, {11, 2}}, true, opened, Certainty::known, 10, {}};
        QTest::newRow("two inherited: both in doubt")
            << MakerRow{{{10, 1}, {20, 1}, {21, 1}}, true, opened, Certainty::inDoubt, 0, {20, 21}};
        QTest::newRow("none inherited: every holder in doubt")
            << MakerRow{{{10, 1}, {11, 2}, {30, 0}}, true, opened, Certainty::inDoubt, 0, {10, 11}};
        QTest::newRow("the server cannot count: every holder in doubt")
            << MakerRow{{{10, 1}, {30, 0}}, true, std::nullopt, Certainty::inDoubt, 0, {10}};
        QTest::newRow("none inherited: one the server counts, though none seen held")
            << MakerRow{{{10, 0}, {30, 0}}, true, opened, Certainty::inDoubt, 0, {10}};
        QTest::newRow("none inherited: one whose descriptors are hidden")
            << MakerRow{{{40, SelectionHolder::unknownHeld}, {30, 0}}, true, opened, Certainty::inDoubt, 0, {40}};
        const int hidden = SelectionHolder::unknownHeld;
        QTest::newRow("an heir and a hidden process, two orphaned connections: both in doubt")
            << MakerRow{{{10, 1}, {20, 1}, {40, hidden}}, true, opened, Certainty::inDoubt, 0, {20, 40}, 2};
        QTest::newRow("an heir holding every orphaned connection, beside a hidden process")
            << MakerRow{{{10, 1}, {20, 1}, {40, hidden}}, true, opened, Certainty::known, 20, {}, 1};
        QTest::newRow("connections unknown: every process in doubt")
            << MakerRow{{{10, 0}, {30, 0}}, false, opened, Certainty::inDoubt, 0, {10, 30}};
    }

    void makerAmong()
    {
        QFETCH(MakerRow, row);
        const CopyMaker maker = SelectionHolder::makerAmong(row.held, row.connectionsKnown, row.opened, row.orphaned);
        QCOMPARE(maker.certainty, row.certainty);
        QCOMPARE(maker.pid, row.maker);
        QList<qint64> processes = maker.processes.keys();
        std::sort(processes.begin(), processes.end());
        QCOMPARE(processes, row.certainty == CopyMaker::Certainty::known ? QList<qint64>{row.maker} : row.suspects);
    }

    void namesOfAProcess_data()
    {
        QTest::addColumn<NamesRow>("row");
        const QByteArray xclip = QByteArrayLiteral("xclip\0-selection\0clipboard\0");
        QTest::newRow("plain") << NamesRow{"xclip\n", xclip, "/usr/bin/xclip", {"xclip"}};
        QTest::newRow("started under another name")
            << NamesRow{"xclip\n", QByteArrayLiteral("keepassxc\0-i\0"), "/usr/bin/xclip", {"xclip", "keepassxc"}};
        QTest::newRow("renamed itself") << NamesRow{
            "worker\n", QByteArrayLiteral("/opt/vault/vault\0"), "/opt/vault/vault", {"worker", "vault"}};
        QTest::newRow("its executable replaced since")
            << NamesRow{"worker\n", QByteArrayLiteral("worker\0"), "/usr/bin/vault (deleted)", {"worker", "vault"}};
        QTest::newRow("its executable hidden")
            << NamesRow{"xclip\n", QByteArrayLiteral("keepassxc\0"), QString(), {"xclip", "keepassxc"}};
        QTest::newRow("gone") << NamesRow{{}, {}, QString(), {}};
    }

    void namesOfAProcess()
    {
        QFETCH(NamesRow, row);
        const TempFolder proc;
        if (!row.comm.isEmpty()) {
            QVERIFY(TestFiles::write(proc.file(QStringLiteral("7/comm")), row.comm));
            QVERIFY(TestFiles::write(proc.file(QStringLiteral("7/cmdline")), row.cmdline));
        }
        if (!row.exe.isEmpty())
            QVERIFY(QFile::link(row.exe, proc.file(QStringLiteral("7/exe"))));
        QCOMPARE(ProcessName::namesOf(7, proc.path()), row.names);
    }

    void displaySocketNames_data()
    {
        QTest::addColumn<QString>("display");
        QTest::addColumn<QByteArray>("path");
        QTest::newRow("plain") << ":0" << QByteArray("/tmp/.X11-unix/X0");
        QTest::newRow("a screen") << ":12.1" << QByteArray("/tmp/.X11-unix/X12");
        QTest::newRow("unix") << "unix:3" << QByteArray("/tmp/.X11-unix/X3");
        QTest::newRow("another host") << "localhost:10.0" << QByteArray();
        QTest::newRow("none") << "" << QByteArray();
    }

    void displaySocketNames()
    {
        QFETCH(QString, display);
        QFETCH(QByteArray, path);
        const QList<QByteArray> names = SelectionHolder::displaySocketNames(display);
        const QList<QByteArray> expected = path.isEmpty() ? QList<QByteArray>() : QList<QByteArray>{'\0' + path, path};
        QCOMPARE(names, expected);
    }

    void aForkingCopierIsFoundOnAServerReachedByItsPath()
    {
        const PathOnlyServer server;
        QVERIFY(!server.display.isEmpty());
        QProcess copier;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), server.display);
        copier.setProcessEnvironment(environment);
        copier.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard")});
        copier.write("hunter2");
        copier.closeWriteChannel();
        QVERIFY(copier.waitForFinished(10'000));
        // Its child keeps the copy, and leaves with the server.
        xcb_connection_t* connection = xcb_connect(server.display.toLatin1().constData(), nullptr);
        const auto disconnect = qScopeGuard([connection] { xcb_disconnect(connection); });
        QVERIFY(!xcb_connection_has_error(connection));
        const CopyMaker maker =
            SelectionHolder::find(server.display, XcbClientProcess::connectionsByProcess(connection));
        QCOMPARE(maker.certainty, CopyMaker::Certainty::known);
        QCOMPARE(ProcessName::of(maker.pid), QStringLiteral("xclip"));
    }

    void userProcessesCountTheSocketsTheyHold()
    {
        const TempFolder proc;
        plantProcess(proc, 100, 'S', {"socket:[7]", "socket:[8]", "pipe:[7]", "/dev/null"});
        plantProcess(proc, 101, 'R', {"socket:[9]"});
        // A zombie holds nothing, whatever its folder says.
        plantProcess(proc, 102, 'Z', {"socket:[7]"});
        // Undumpable: its descriptors cannot be listed.
        plantProcess(proc, 104, 'S', {});
        QVERIFY(QDir(proc.file(QStringLiteral("104"))).rmdir(QStringLiteral("fd")));
        QVERIFY(TestFiles::write(proc.file(QStringLiteral("104/fd")), ""));
        QVERIFY(TestFiles::write(proc.file(QStringLiteral("self/stat")), "1 (x) S"));
        const SelectionHolder::Processes found = SelectionHolder::userProcesses({7, 8}, proc.path());
        QVERIFY(found.complete);
        QCOMPARE(found.held, (QHash<qint64, int>{{100, 2}, {101, 0}, {104, SelectionHolder::unknownHeld}}));
        QVERIFY(!SelectionHolder::isRunning(102, proc.path()));
        QVERIFY(!SelectionHolder::isRunning(103, proc.path()));
    }
};

WISPLET_TEST_MAIN(TestSelectionHolder)
#include "tst_selectionholder.moc"
