#include "Wisplet/Platform/Defaults.h"
#include "tests/support/Files.h"
#include "tests/support/TestMain.h"
#include "tests/support/TinyDisk.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What stands at the settings path, or happens to it.
enum class Setup {
    fifo,
    oversized,
    atTheLimit,
    tooManyOpenFiles,
    folderInTheWayOfSaving,
};

struct Row
{
    Setup setup;
    // Parts of what errorText says after start and after two saves; empty for nothing to say.
    QString atStart;
    QString afterSaving;
    bool setAside;
    bool saved;
};

bool prepare(Setup setup, const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    QByteArray json = "{\"kept\": true}";
    switch (setup) {
    case Setup::fifo:
        return ::mkfifo(native.constData(), 0600) == 0;
    case Setup::oversized:
        return TestFiles::write(path, json) && ::truncate(native.constData(), Defaults::maxFileBytes + 1) == 0;
    case Setup::atTheLimit:
        json.append(Defaults::maxFileBytes - json.size(), ' ');
        return TestFiles::write(path, json);
    default:
        return TestFiles::write(path, json);
    }
}

// Opens the settings while the process has no file descriptor to spare, as a busy program may.
std::unique_ptr<Defaults> openWithoutSpareDescriptors(const QString& path)
{
    struct rlimit saved = {};
    ::getrlimit(RLIMIT_NOFILE, &saved);
    const int next = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ::close(next);
    struct rlimit tight = saved;
    tight.rlim_cur = rlim_t(next);
    ::setrlimit(RLIMIT_NOFILE, &tight);
    auto defaults = std::make_unique<Defaults>(path);
    ::setrlimit(RLIMIT_NOFILE, &saved);
    return defaults;
}

} // namespace

Q_DECLARE_METATYPE(Row)

class TestSettingsFile final : public QObject
{
    Q_OBJECT

private slots:
    void whatCannotBeReadIsKeptAndReported_data()
    {
        QTest::addColumn<Row>("row");
        const QString notRegular = QStringLiteral("could not be read (not a regular file)");
        const QString unopenable = QStringLiteral("could not be opened (Too many open files)");
        QTest::newRow("a FIFO") << Row{Setup::fifo, notRegular, {}, true, true};
        QTest::newRow("beyond 8 MiB") << Row{Setup::oversized, "could not be read (larger than 8 MiB)", {}, true, true};
        QTest::newRow("exactly 8 MiB") << Row{Setup::atTheLimit, {}, {}, false, true};
        QTest::newRow("too many open files") << Row{Setup::tooManyOpenFiles, unopenable, unopenable, false, false};
        QTest::newRow("a folder where the file must go")
            << Row{Setup::folderInTheWayOfSaving, {}, "could not be saved", false, false};
    }

    void whatCannotBeReadIsKeptAndReported()
    {
        QFETCH(Row, row);
        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("defaults.json"));
        const QString aside = path + QStringLiteral(".unreadable");
        QVERIFY(prepare(row.setup, path));
        const bool regular = row.setup == Setup::tooManyOpenFiles;
        const QByteArray before = regular ? TestFiles::read(path) : QByteArray();

        const std::unique_ptr<Defaults> defaults =
            regular ? openWithoutSpareDescriptors(path) : std::make_unique<Defaults>(path);
        // What start found is there before anyone could connect to the signal.
        const auto says = [&](const QString& part) {
            const QString text = defaults->errorText();
            return part.isEmpty() ? text.isEmpty() : text.contains(path) && text.contains(part);
        };
        QVERIFY2(says(row.atStart), qPrintable(defaults->errorText()));
        QCOMPARE(defaults->setAsidePath(), row.setAside ? aside : QString());
        QCOMPARE(QFileInfo::exists(path), !row.setAside);
        const bool readable = row.setup == Setup::atTheLimit || row.setup == Setup::folderInTheWayOfSaving;
        QCOMPARE(defaults->boolValue(QStringLiteral("kept")), readable);

        if (row.setup == Setup::folderInTheWayOfSaving)
            QVERIFY(QFile::remove(path) && QDir().mkpath(path + QStringLiteral("/inside")));
        QSignalSpy reports(defaults.get(), &Defaults::errorTextChanged);
        defaults->set(QStringLiteral("fresh"), true);
        QCOMPARE(defaults->flush(), row.saved);
        // The same failure again is no news.
        defaults->set(QStringLiteral("fresher"), true);
        QCOMPARE(defaults->flush(), row.saved);
        QVERIFY2(says(row.afterSaving), qPrintable(defaults->errorText()));
        QCOMPARE(reports.size(), row.atStart == row.afterSaving ? 0 : 1);
        // Nothing is lost: what could not be written stays pending, what could not be read stays as it was.
        QCOMPARE(defaults->hasPendingChanges(), !row.saved);
        if (regular)
            QCOMPARE(TestFiles::read(path), before);
        if (row.setAside)
            QVERIFY(QFileInfo(aside).exists() && (row.setup == Setup::oversized) == QFileInfo(aside).isFile());
    }

    void aFullDiskKeepsTheFileAndTheChanges()
    {
        TinyDisk disk;
        TINY_DISK_OR_SKIP(disk);
        const QString path = disk.file(QStringLiteral("defaults.json"));
        const auto names = [&disk] { return QDir(disk.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot); };
        Defaults defaults(path);
        defaults.set(QStringLiteral("kept"), 1);
        QVERIFY(defaults.flush());
        const QByteArray before = TestFiles::read(path);
        QVERIFY(disk.fill());
        const QStringList beside = names();

        defaults.set(QStringLiteral("fresh"), QString(2000, u'x'));
        QVERIFY(!defaults.flush());
        QVERIFY2(defaults.errorText().contains(QLatin1String("could not be saved")), qPrintable(defaults.errorText()));
        QCOMPARE(names(), beside);
        QCOMPARE(TestFiles::read(path), before);
        QVERIFY(defaults.hasPendingChanges());

        // Tried again with the next change; once that works the message goes.
        disk.makeRoom();
        defaults.set(QStringLiteral("later"), true);
        QVERIFY(QMetaObject::invokeMethod(defaults.findChild<QTimer*>(), "timeout"));
        QVERIFY(defaults.errorText().isEmpty());
        const QJsonObject saved = QJsonDocument::fromJson(TestFiles::read(path)).object();
        QCOMPARE(saved.keys(), (QStringList{"fresh", "kept", "later"}));
    }

    // Indented, a long list grows by half again: a file near the limit must still be read back.
    void aFileNearTheLimitIsSavedReadably()
    {
        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("defaults.json"));
        const QByteArray head = "{\"list\":[" + QByteArray("0,").repeated(400000) + "0],\"text\":\"";
        const qint64 textLength = Defaults::maxFileBytes - 64 - head.size();
        QVERIFY(TestFiles::write(path, head + QByteArray(textLength, 'x') + "\"}"));
        Defaults(path).set(QStringLiteral("fresh"), true);
        QVERIFY(QFileInfo(path).size() <= Defaults::maxFileBytes);
        const Defaults again(path);
        QVERIFY(again.errorText().isEmpty());
        QVERIFY(again.boolValue(QStringLiteral("fresh")));
        QCOMPARE(again.string(QStringLiteral("text")).size(), textLength);
    }
};

WISPLET_TEST_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
