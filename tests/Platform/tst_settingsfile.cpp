#include "Wisplet/Platform/Defaults.h"
#include "tests/support/Files.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QFile>
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
    device,
    oversized,
    atTheLimit,
    tooManyOpenFiles,
    folderInTheWayOfSaving,
};

struct Row
{
    Setup setup;
    // Parts of what errorText says after start and after a save; empty for nothing to say.
    QString atStart;
    QString afterSaving;
    bool setAside;
    bool saved;
};

// Runs `work` while the process has no file descriptor to spare, as a busy program may find itself.
template <typename Work>
void withoutSpareDescriptors(Work work)
{
    struct rlimit saved = {};
    QVERIFY(::getrlimit(RLIMIT_NOFILE, &saved) == 0);
    const int next = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    QVERIFY(next >= 0);
    ::close(next);
    struct rlimit tight = saved;
    tight.rlim_cur = rlim_t(next);
    QVERIFY(::setrlimit(RLIMIT_NOFILE, &tight) == 0);
    work();
    QVERIFY(::setrlimit(RLIMIT_NOFILE, &saved) == 0);
}

bool prepare(Setup setup, const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    switch (setup) {
    case Setup::fifo:
        return ::mkfifo(native.constData(), 0600) == 0;
    case Setup::device:
        return QFile::link(QStringLiteral("/dev/zero"), path);
    case Setup::oversized:
        return TestFiles::write(path, "{}") && ::truncate(native.constData(), Defaults::maxFileBytes + 1) == 0;
    case Setup::atTheLimit: {
        QByteArray json = "{\"kept\": true}";
        json.append(Defaults::maxFileBytes - json.size(), ' ');
        return TestFiles::write(path, json);
    }
    case Setup::tooManyOpenFiles:
    case Setup::folderInTheWayOfSaving:
        return TestFiles::write(path, "{\"kept\": true}");
    }
    return false;
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
        QTest::newRow("a FIFO") << Row{Setup::fifo, "could not be read (not a regular file)", {}, true, true};
        QTest::newRow("a device") << Row{Setup::device, "could not be read (not a regular file)", {}, true, true};
        QTest::newRow("beyond 8 MiB") << Row{Setup::oversized, "could not be read (larger than 8 MiB)", {}, true, true};
        QTest::newRow("exactly 8 MiB") << Row{Setup::atTheLimit, {}, {}, false, true};
        QTest::newRow("too many open files")
            << Row{Setup::tooManyOpenFiles, "could not be opened (Too many open files)",
                   "could not be opened (Too many open files)", false, false};
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
        const QByteArray before = row.setup == Setup::tooManyOpenFiles ? TestFiles::read(path) : QByteArray();

        std::unique_ptr<Defaults> defaults;
        if (row.setup == Setup::tooManyOpenFiles)
            withoutSpareDescriptors([&] { defaults = std::make_unique<Defaults>(path); });
        else
            defaults = std::make_unique<Defaults>(path);
        QVERIFY(defaults);
        // What start found is there before anyone could connect to the signal.
        const auto says = [&](const QString& part) {
            const QString text = defaults->errorText();
            return part.isEmpty() ? text.isEmpty() : text.contains(path) && text.contains(part);
        };
        QVERIFY2(says(row.atStart), qPrintable(defaults->errorText()));
        QCOMPARE(defaults->setAsidePath(), row.setAside ? aside : QString());
        QCOMPARE(QFileInfo::exists(aside), row.setAside);
        QCOMPARE(QFileInfo::exists(path), !row.setAside);
        const bool readable = row.setup == Setup::atTheLimit || row.setup == Setup::folderInTheWayOfSaving;
        QCOMPARE(defaults->boolValue(QStringLiteral("kept")), readable);

        if (row.setup == Setup::folderInTheWayOfSaving) {
            QVERIFY(QFile::remove(path));
            QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
        }
        QSignalSpy reports(defaults.get(), &Defaults::errorTextChanged);
        defaults->set(QStringLiteral("fresh"), true);
        QCOMPARE(defaults->flush(), row.saved);
        // The same failure again is not news.
        defaults->set(QStringLiteral("fresher"), true);
        QCOMPARE(defaults->flush(), row.saved);
        QVERIFY2(says(row.afterSaving), qPrintable(defaults->errorText()));
        QCOMPARE(reports.size(), row.atStart == row.afterSaving ? 0 : 1);
        // Nothing is lost: what could not be written stays pending, what could not be read stays where it was.
        QCOMPARE(defaults->hasPendingChanges(), !row.saved);
        QVERIFY(defaults->boolValue(QStringLiteral("fresh")));
        if (row.setup == Setup::tooManyOpenFiles)
            QCOMPARE(TestFiles::read(path), before);
        if (row.setup == Setup::fifo)
            QVERIFY(QFileInfo(aside).exists() && !QFileInfo(aside).isFile());
    }
};

WISPLET_TEST_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
