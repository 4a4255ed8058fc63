#include "tests/support/LaunchedProgram.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/TestMain.h"
#include "tests/support/XTools.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

using XTools::timeoutMs;

// loop: a link to itself, which cannot be opened (as a file without permission, for root as well).
enum class Hostile { fifo, folder, huge, loop };

struct Row
{
    QString fileName;
    QString tool;
    Hostile kind;
};

bool makeHostile(const QString& path, Hostile kind)
{
    switch (kind) {
    case Hostile::fifo:
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    case Hostile::folder:
        return QDir().mkpath(path + QStringLiteral("/inside"));
    case Hostile::huge: {
        // Sparse: costs no disk, but says 50 MB to anyone who asks.
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.resize(50 * 1024 * 1024);
    }
    case Hostile::loop:
        return QFile::link(path, path);
    }
    return false;
}

// The same kind of thing, where it was or set aside beside it: nothing the user had is gone.
bool keptOrSetAside(const QString& path, Hostile kind)
{
    const QFileInfo here(path);
    const QFileInfo aside(path + QStringLiteral(".unreadable"));
    const auto same = [kind](const QFileInfo& info) {
        switch (kind) {
        case Hostile::fifo:
            return !info.isFile() && !info.isDir() && info.exists();
        case Hostile::folder:
            return info.isDir();
        case Hostile::huge:
            return info.isFile() && info.size() == 50 * 1024 * 1024;
        case Hostile::loop:
            return info.isSymLink() && info.symLinkTarget() == info.absoluteFilePath();
        }
        return false;
    };
    return same(here) || same(aside);
}

} // namespace

Q_DECLARE_METATYPE(Row)

namespace {

int shapeHeight(quint32 window)
{
    return XTools::boundingShape(window).height();
}

} // namespace

// A data file replaced by something that is no data file must neither stop the program from starting,
// nor freeze it when the tool opens, nor hang it at quit, nor be lost.
class TestHostileFiles final : public QObject
{
    Q_OBJECT

private slots:
    void theProgramStaysResponsive_data()
    {
        QTest::addColumn<Row>("row");
        const QList<std::pair<QString, QString>> stores{{QStringLiteral("clipboard.json"), QStringLiteral("clipboard")},
                                                        {QStringLiteral("shelf.json"), QStringLiteral("files")},
                                                        {QStringLiteral("notes-v2.json"), QStringLiteral("notes")},
                                                        {QStringLiteral("links.json"), QStringLiteral("links")}};
        const QList<std::pair<Hostile, const char*>> kinds{
            {Hostile::fifo, "FIFO"}, {Hostile::folder, "folder"}, {Hostile::huge, "50 MB"}};
        for (const auto& [fileName, tool] : stores) {
            for (const auto& [kind, name] : kinds)
                QTest::addRow("%s as a %s", qPrintable(fileName), name) << Row{fileName, tool, kind};
        }
        // The older notes file is named when it cannot be read, whatever is in its place.
        QTest::newRow("notes.txt as a FIFO")
            << Row{QStringLiteral("notes.txt"), QStringLiteral("notes"), Hostile::fifo};
        // Left where it is, and never written over.
        QTest::newRow("clipboard.json as a loop of links")
            << Row{QStringLiteral("clipboard.json"), QStringLiteral("clipboard"), Hostile::loop};
    }

    void theProgramStaysResponsive()
    {
        QFETCH(Row, row);
        PrivateBus bus;
        QVERIFY2(bus.start(), qPrintable(bus.errorText()));
        const TempFolder home;
        const QString config = home.file(QStringLiteral("config"));
        const QString data = home.file(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(config + QStringLiteral("/Wisplet")));
        QVERIFY(QDir().mkpath(data + QStringLiteral("/Wisplet")));
        // The row's tool first, so Ctrl+Alt+1 opens it.
        QFile defaults(config + QStringLiteral("/Wisplet/defaults.json"));
        QVERIFY(defaults.open(QIODevice::WriteOnly));
        defaults.write(QStringLiteral(R"({"onboarded": true, "tools.order": ["%1"], "tools.enabled": ["%1"]})")
                           .arg(row.tool)
                           .toUtf8());
        defaults.close();
        const QString path = data + QStringLiteral("/Wisplet/") + row.fileName;
        QVERIFY(makeHostile(path, row.kind));

        const auto wisplet = LaunchedProgram::start(
            QStringLiteral(WISPLET_BINARY), {{QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address()},
                                             {QStringLiteral("HOME"), home.path()},
                                             {QStringLiteral("XDG_CONFIG_HOME"), config},
                                             {QStringLiteral("XDG_DATA_HOME"), data},
                                             {QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0")}});
        QTRY_VERIFY_WITH_TIMEOUT(LaunchedProgram::visibleWindowOf(*wisplet) != 0, timeoutMs);
        const quint32 panel = LaunchedProgram::visibleWindowOf(*wisplet);
        QTRY_VERIFY_WITH_TIMEOUT(shapeHeight(panel) > 0, timeoutMs);
        const int collapsed = shapeHeight(panel);

        QVERIFY(XTools::xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+1")}));
        QTRY_VERIFY_WITH_TIMEOUT(shapeHeight(panel) > collapsed, timeoutMs);

        // A large file is read on a worker: what the program says of it may come a moment after the panel opens.
        QString said;
        const auto named = [&] {
            said += QString::fromLocal8Bit(wisplet->readAllStandardError());
            return said.contains(row.fileName);
        };
        if (!QTest::qWaitFor(named, timeoutMs / 2))
            qInfo("not yet named before the quit");
        wisplet->terminate();
        QVERIFY(LaunchedProgram::exitedWith(*wisplet, 0));
        QVERIFY(keptOrSetAside(path, row.kind));
        QVERIFY2(named(), qPrintable(said));
    }
};

WISPLET_TEST_MAIN(TestHostileFiles)
#include "tst_hostilefiles.moc"
