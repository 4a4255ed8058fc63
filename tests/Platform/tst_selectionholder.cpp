#include "Wisplet/Platform/SelectionHolder.h"
#include "tests/support/Files.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QFile>

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

} // namespace

Q_DECLARE_METATYPE(MakerRow)

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
        QTest::newRow("connections unknown: every process in doubt")
            << MakerRow{{{10, 0}, {30, 0}}, false, opened, Certainty::inDoubt, 0, {10, 30}};
    }

    void makerAmong()
    {
        QFETCH(MakerRow, row);
        const CopyMaker maker = SelectionHolder::makerAmong(row.held, row.connectionsKnown, row.opened);
        QCOMPARE(maker.certainty, row.certainty);
        QCOMPARE(maker.pid, row.maker);
        QList<qint64> suspects = maker.suspects.keys();
        std::sort(suspects.begin(), suspects.end());
        QCOMPARE(suspects, row.suspects);
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
