#include "Wisplet/Platform/ChosenWrites.h"
#include "Wisplet/Platform/PrivateFiles.h"
#include "Wisplet/Platform/TerminationSignals.h"
#include "tests/support/Files.h"
#include "tests/support/StandIns.h"
#include "tests/support/TestMain.h"
#include "tests/support/TinyDisk.h"

#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

struct Reading
{
    QByteArray placed;
    bool whole = true;
    PrivateFiles::FileRead::Outcome outcome;
    QByteArray contents;
};

struct Blocked
{
    const char* relative = "";
    const char* folderAtPath = "";
};

// Where a write held in the middle says so: written from a signal handler, which may only call write().
int heldWrites = -1;

// A write beyond the file size limit raises SIGXFSZ in the writing thread; this holds it there, its
// temporary file half written, for as long as the process lives.
void holdTheWrite(int)
{
    const char held = 'h';
    [[maybe_unused]] const ssize_t said = ::write(heldWrites, &held, 1);
    for (;;)
        ::pause();
}

// In a child process of its own, which nothing else uses: a write held in the middle on a worker thread,
// then the process ends without waiting for its workers, with `code`: 0 by its own end as main's, 128 +
// SIGTERM by the watchdog's, after a signal the main thread never takes; 2 when the write was never held.
[[noreturn]] void abandonAHeldWrite(const QString& path, int code)
{
    int pipe[2];
    if (::pipe(pipe) != 0)
        ::_exit(2);
    heldWrites = pipe[1];
    struct sigaction hold = {};
    hold.sa_handler = holdTheWrite;
    ::sigaction(SIGXFSZ, &hold, nullptr);
    const rlimit limit{64 * 1024, RLIM_INFINITY};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::thread([path] { PrivateFiles::writeAtomically(path, QByteArray(1024 * 1024, 'x')); }).detach();
    char held = 0;
    if (::read(pipe[0], &held, 1) != 1 || QDir(QFileInfo(path).path()).isEmpty())
        ::_exit(2);
    if (code == 0) {
        PrivateFiles::abandonWritesInFlight();
        ::_exit(0);
    }
    const TerminationSignals termination;
    std::raise(SIGTERM);
    for (;;)
        ::pause();
}

// Waits until a file made now is born later than the one at the path, by the file system's clock.
void waitPastBirthOf(const QString& path)
{
    struct statx made = {};
    ::statx(AT_FDCWD, QFile::encodeName(path).constData(), 0, STATX_BTIME, &made);
    const qint64 born = made.stx_btime.tv_sec * 1000000000LL + made.stx_btime.tv_nsec;
    timespec now = {};
    do
        ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    while (now.tv_sec * 1000000000LL + now.tv_nsec <= born);
}

} // namespace

// What stands at the path of a noted temporary file when the next start reads the journal.
enum class AtNotedPath { theWritesFile, theUsersFile, theUsersFileInTheFreedInode, link, folder };

Q_DECLARE_METATYPE(AtNotedPath)
Q_DECLARE_METATYPE(Blocked)
Q_DECLARE_METATYPE(Reading)

class TestPrivateFiles final : public QObject
{
    Q_OBJECT

private slots:
    void aNewFolderIsPrivate_data()
    {
        QTest::addColumn<QString>("relative");

        QTest::newRow("with missing parents") << "a/b/c/new";
        QTest::newRow("trailing slash") << "new/";
    }

    void aNewFolderIsPrivate()
    {
        QFETCH(QString, relative);

        const TempFolder folder;
        const QString path = folder.file(relative);
        QVERIFY(PrivateFiles::ensureFolder(path));
        QVERIFY(QFileInfo(path).isDir());
        QCOMPARE(TestFiles::mode(path), 0700);
        // Asking again is fine.
        QVERIFY(PrivateFiles::ensureFolder(path));
    }

    void anExistingFolderKeepsItsMode()
    {
        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("shared"));
        QVERIFY(QDir().mkdir(path));
        QVERIFY(TestFiles::setMode(path, 0755));
        QVERIFY(PrivateFiles::ensureFolder(path));
        QCOMPARE(TestFiles::mode(path), 0755);
    }

    void aFileInTheWayFails_data()
    {
        QTest::addColumn<QStringList>("row"); // the file in the way, the folder asked for
        QTest::newRow("at the path") << QStringList{"plain", "plain"};
        QTest::newRow("in the middle") << QStringList{"a/plain", "a/plain/b/new"};
    }

    void aFileInTheWayFails()
    {
        QFETCH(QStringList, row);
        const QString blocker = row.at(0);
        const QString relative = row.at(1);

        const TempFolder folder;
        QVERIFY(QDir().mkpath(QFileInfo(folder.file(blocker)).absolutePath()));
        QVERIFY(TestFiles::write(folder.file(blocker), "keep me"));
        QVERIFY(!PrivateFiles::ensureFolder(folder.file(relative)));
        QCOMPARE(TestFiles::read(folder.file(blocker)), QByteArray("keep me"));
    }

    void writesArePrivate_data()
    {
        QTest::addColumn<int>("existingMode");

        QTest::newRow("new file") << -1;
        QTest::newRow("over 0666") << 0666;
        QTest::newRow("over 0400") << 0400;
    }

    void writesArePrivate()
    {
        QFETCH(int, existingMode);

        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("store.json"));
        if (existingMode >= 0) {
            QVERIFY(TestFiles::write(path, "old contents that are longer than the new ones"));
            QVERIFY(TestFiles::setMode(path, existingMode));
        }
        QString error;
        QVERIFY(PrivateFiles::writeAtomically(path, "[1]", &error));
        QCOMPARE(TestFiles::read(path), QByteArray("[1]"));
        QCOMPARE(TestFiles::mode(path), 0600);
        QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{QStringLiteral("store.json")});
    }

    // A process that ends while a worker is in the middle of a write leaves no temporary file behind.
    void anAbandonedWriteLeavesNothingBehind_data()
    {
        QTest::addColumn<int>("code");
        QTest::newRow("its own end") << 0;
        QTest::newRow("the watchdog's end") << 128 + SIGTERM;
    }

    void anAbandonedWriteLeavesNothingBehind()
    {
        QFETCH(int, code);
        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("copy.png"));
        const pid_t child = ::fork();
        if (child == 0)
            abandonAHeldWrite(path, code);
        QVERIFY(child > 0);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), code);
        QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }

    void anEmptyWriteLeavesAnEmptyFile()
    {
        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("empty"));
        QVERIFY(TestFiles::write(path, "something"));
        QVERIFY(PrivateFiles::writeAtomically(path, QByteArray()));
        QVERIFY(QFileInfo::exists(path));
        QCOMPARE(QFileInfo(path).size(), 0);
    }

    void aFailedWriteLeavesNothingBehind_data()
    {
        QTest::addColumn<Blocked>("row");
        QTest::newRow("a folder at the path") << Blocked{"store.json", "store.json/inside"};
        QTest::newRow("a missing folder") << Blocked{"missing/store.json"};
    }

    void aFailedWriteLeavesNothingBehind()
    {
        QFETCH(Blocked, row);
        const QString relative = QString::fromLatin1(row.relative);
        const QString folderAtPath = QString::fromLatin1(row.folderAtPath);

        const TempFolder folder;
        if (!folderAtPath.isEmpty())
            QVERIFY(QDir().mkpath(folder.file(folderAtPath)));
        const QStringList before =
            QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

        QString error;
        QVERIFY(!PrivateFiles::writeAtomically(folder.file(relative), "[1]", &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
        if (!folderAtPath.isEmpty())
            QVERIFY(QFileInfo(folder.file(folderAtPath)).isDir());
    }

    void aFullDiskKeepsTheOldFile()
    {
        TinyDisk disk;
        TINY_DISK_OR_SKIP(disk);
        const QString path = disk.file(QStringLiteral("store.json"));
        QVERIFY(TestFiles::write(path, "old"));
        QVERIFY(TestFiles::setMode(path, 0644));
        const QStringList before = QDir(disk.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        QVERIFY(disk.fill());

        QString error;
        // Small enough for a buffered writer to fail only when it flushes at the end.
        QVERIFY(!PrivateFiles::writeAtomically(path, QByteArray(100, 'x'), &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(TestFiles::read(path), QByteArray("old"));
        QCOMPARE(TestFiles::mode(path), 0644);
        QStringList after = QDir(disk.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        after.removeOne(QStringLiteral("filler"));
        QCOMPARE(after, before);
    }

    void aLinkIsReplacedNotWrittenThrough()
    {
        const TempFolder folder;
        const QString target = folder.file(QStringLiteral("theirs.txt"));
        const QString link = folder.file(QStringLiteral("store.json"));
        QVERIFY(TestFiles::write(target, "their own file"));
        QVERIFY(TestFiles::setMode(target, 0644));
        QVERIFY(QFile::link(target, link));

        QVERIFY(PrivateFiles::writeAtomically(link, "[1]"));
        QCOMPARE(TestFiles::read(target), QByteArray("their own file"));
        QCOMPARE(TestFiles::mode(target), 0644);
        QVERIFY(!QFileInfo(link).isSymLink());
        QCOMPARE(TestFiles::read(link), QByteArray("[1]"));
    }

    void leftoverTemporariesAreRemoved_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("removed");
        QTest::newRow("an interrupted save") << "store.json.~p3RUIa" << true;
        QTest::newRow("an earlier version's") << "store.json.pGRUIp" << true;
        QTest::newRow("the user's backup") << "store.json.backup" << false;
        QTest::newRow("the user's backup, in capitals") << "store.json.BACKUP" << false;
        QTest::newRow("the user's backup, capitalised") << "store.json.Backup" << false;
        QTest::newRow("the user's copy, numbered") << "store.json.copy12" << false;
        QTest::newRow("the user's copy, capitalised and numbered") << "store.json.Copy01" << false;
        QTest::newRow("not letters or digits") << "store.json.~bak~~~" << false;
        QTest::newRow("another file's") << "other.json.~p3RUIa" << false;
    }

    void leftoverTemporariesAreRemoved()
    {
        QFETCH(QString, name);
        QFETCH(bool, removed);

        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("store.json"));
        QVERIFY(TestFiles::write(path, "[1]"));
        QVERIFY(TestFiles::write(folder.file(name), "private"));
        QCOMPARE(PrivateFiles::removeLeftoverTemporaries(path), removed ? 1 : 0);
        QCOMPARE(QFileInfo::exists(folder.file(name)), !removed);
        QCOMPARE(TestFiles::read(path), QByteArray("[1]"));
    }

    // A copy the user asked for, ended half-way as a kill ends it (the file size limit's signal), leaves its
    // temporary file in the user's folder; the next start removes it, and nothing else there.
    void aChosenWriteEndedHalfWayIsRemovedAtTheNextStart()
    {
        const TempFolder data;
        const TempFolder pictures;
        const QString journal = data.file(QStringLiteral("chosen-writes"));
        QVERIFY(TestFiles::write(pictures.file(QStringLiteral("picture.jpeg")), "the user's"));
        const pid_t child = ::fork();
        if (child == 0) {
            ChosenWrites::track(journal);
            const rlimit noCore{0, 0};
            ::setrlimit(RLIMIT_CORE, &noCore);
            const rlimit limit{64 * 1024, RLIM_INFINITY};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            PrivateFiles::writeChosenFile(pictures.file(QStringLiteral("copy.jpeg")), QByteArray(1024 * 1024, 'x'));
            ::_exit(0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ);
        QCOMPARE(QDir(pictures.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);

        QCOMPARE(ChosenWrites::track(journal), 1);
        QCOMPARE(QDir(pictures.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"picture.jpeg"});
    }

    // The journal is a file in our folder that anyone of this user could edit, and the user may name a file
    // as a temporary is named: only the very file a write made is removed.
    void aChosenWritesJournalRemovesOnlyWhatAWriteMade_data()
    {
        QTest::addColumn<AtNotedPath>("at");
        QTest::addColumn<bool>("removed");
        QTest::newRow("the write's own file") << AtNotedPath::theWritesFile << true;
        QTest::newRow("the user's file of that name") << AtNotedPath::theUsersFile << false;
        QTest::newRow("the user's file of that name in the write's freed inode")
            << AtNotedPath::theUsersFileInTheFreedInode << false;
        QTest::newRow("a link") << AtNotedPath::link << false;
        QTest::newRow("a folder") << AtNotedPath::folder << false;
    }

    void aChosenWritesJournalRemovesOnlyWhatAWriteMade()
    {
        QFETCH(AtNotedPath, at);
        QFETCH(bool, removed);
        const TempFolder data;
        const TempFolder pictures;
        const QString journal = data.file(QStringLiteral("chosen-writes"));
        const QString noted = pictures.file(QStringLiteral("copy.jpeg.~Ab3dE9"));
        const QString target = data.file(QStringLiteral("elsewhere"));
        QVERIFY(TestFiles::write(target, "the user's"));
        ChosenWrites::track(journal);
        const int fd = ::open(QFile::encodeName(noted).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        QVERIFY(fd >= 0);
        ChosenWrites::note(fd, QFile::encodeName(noted));
        ::close(fd);
        // Whatever stands there instead came after the write's file had gone, as a finished write renames it
        // or a failed one removes it (ext4 gives its inode to the next file made).
        if (at == AtNotedPath::theUsersFileInTheFreedInode) {
            waitPastBirthOf(noted);
            QVERIFY(QFile::remove(noted));
        } else if (at != AtNotedPath::theWritesFile) {
            QVERIFY(QFile::rename(noted, pictures.file(QStringLiteral("copy.jpeg"))));
        }
        if (at == AtNotedPath::theUsersFile || at == AtNotedPath::theUsersFileInTheFreedInode)
            QVERIFY(TestFiles::write(noted, "the user's"));
        if (at == AtNotedPath::link)
            QVERIFY(QFile::link(target, noted));
        if (at == AtNotedPath::folder)
            QVERIFY(QDir().mkpath(noted));
        // Notes written by hand name nothing of ours.
        QFile edited(journal);
        QVERIFY(edited.open(QIODevice::Append));
        edited.write(QFile::encodeName(target) + '\0' + "0 0 " + QFile::encodeName(target) + '\0');
        edited.close();
        // Nor does a note of a file not named as our temporaries are.
        QFile user(target);
        QVERIFY(user.open(QIODevice::ReadOnly));
        ChosenWrites::note(user.handle(), QFile::encodeName(target));

        QCOMPARE(ChosenWrites::track(journal), removed ? 1 : 0);
        QCOMPARE(QFileInfo::exists(noted) || QFileInfo(noted).isSymLink(), !removed);
        QCOMPARE(TestFiles::read(target), QByteArray("the user's"));
        QVERIFY(!QFileInfo::exists(journal));
    }

    void temporariesAreToldByTheirTarget_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("temporary");
        const auto row = [](const char* tag, const char* name, const char* target, bool temporary) {
            QTest::newRow(tag) << QString::fromLatin1(name) << QString::fromLatin1(target) << temporary;
        };
        row("a write's temporary", "clip-A.png.~p3RUIa", "clip-A.png", true);
        row("a shorter target's name", "clip-A.png.~p3RUIa", "clip-A", false);
        row("the target itself", "clip-A.png", "clip-A.png", false);
        row("an earlier version's", "clip-A.png.pGRUIp", "clip-A.png", false);
        row("one random letter short", "clip-A.png.~p3RUI", "clip-A.png", false);
        row("one random letter over", "clip-A.png.~p3RUIaa", "clip-A.png", false);
        row("not letters or digits", "clip-A.png.~p3-UIa", "clip-A.png", false);
        row("no target", ".~p3RUIa", "", false);
    }

    void temporariesAreToldByTheirTarget()
    {
        QFETCH(QString, name);
        QFETCH(QString, target);
        QFETCH(bool, temporary);
        QCOMPARE(PrivateFiles::isTemporaryOf(name, target), temporary);
    }

    void unreadableFilesAreSetAsideUnderFreeNames()
    {
        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("notes.json"));
        const QStringList expected{
            path + QStringLiteral(".unreadable"),
            path + QStringLiteral(".unreadable-2"),
            path + QStringLiteral(".unreadable-3"),
        };
        for (int i = 0; i < expected.size(); ++i) {
            QVERIFY(TestFiles::write(path, QByteArray::number(i)));
            QCOMPARE(PrivateFiles::setAside(path), expected.at(i));
            QVERIFY(!QFileInfo::exists(path));
        }
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(TestFiles::read(expected.at(i)), QByteArray::number(i));
    }

    void aNameTakenByAFolderIsSkipped()
    {
        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("notes.json"));
        QVERIFY(QDir().mkpath(path + QStringLiteral(".unreadable/inside")));
        QVERIFY(TestFiles::write(path, "bad"));
        QCOMPARE(PrivateFiles::setAside(path), path + QStringLiteral(".unreadable-2"));
        QVERIFY(QFileInfo(path + QStringLiteral(".unreadable/inside")).isDir());
    }

    // Four bytes is the limit of every row.
    void readsOnlyRegularFilesWithinTheLimit_data()
    {
        using Outcome = PrivateFiles::FileRead::Outcome;
        QTest::addColumn<Reading>("row");
        QTest::newRow("absent") << Reading{QByteArray(), true, Outcome::absent, {}};
        QTest::newRow("at the limit") << Reading{"abcd", true, Outcome::read, "abcd"};
        QTest::newRow("over the limit, whole") << Reading{"abcde", true, Outcome::unsuitable, {}};
        QTest::newRow("over the limit, its start") << Reading{"abcde", false, Outcome::read, "abcd"};
        QTest::newRow("a FIFO, its start") << Reading{StandIns::fifo, false, Outcome::unsuitable, {}};
        QTest::newRow("a folder") << Reading{StandIns::folder, true, Outcome::unsuitable, {}};
    }

    void readsOnlyRegularFilesWithinTheLimit()
    {
        QFETCH(Reading, row);
        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("file"));
        QVERIFY(StandIns::place(path, row.placed));
        const PrivateFiles::FileRead found =
            row.whole ? PrivateFiles::readRegularFile(path, 4) : PrivateFiles::readRegularFileStart(path, 4);
        QCOMPARE(found.outcome, row.outcome);
        QCOMPARE(found.contents, row.contents);
    }

    void aMissingFileCannotBeSetAside()
    {
        const TempFolder folder;
        QCOMPARE(PrivateFiles::setAside(folder.file(QStringLiteral("never"))), QString());
        QVERIFY(QDir(folder.path()).isEmpty());
    }
};

WISPLET_TEST_MAIN(TestPrivateFiles)
#include "tst_privatefiles.moc"
