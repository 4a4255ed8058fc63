#include "Wisplet/Platform/PrivateFiles.h"

#include "Wisplet/Platform/ChosenWrites.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PrivateFiles {

namespace {

qint64 nanoseconds(const struct timespec& time)
{
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

FileStamp stampFrom(const struct stat& info)
{
    return {true,
            quint64(info.st_dev),
            quint64(info.st_ino),
            qint64(info.st_size),
            nanoseconds(info.st_mtim),
            nanoseconds(info.st_ctim)};
}

bool fail(int error, QString* errorString)
{
    if (errorString)
        *errorString = qt_error_string(error);
    return false;
}

bool makeFolder(const QString& path, mode_t mode)
{
    if (::mkdir(QFile::encodeName(path).constData(), mode) != 0)
        return errno == EEXIST && QFileInfo(path).isDir();
    // The new folder's entry in its parent is what a power cut would otherwise lose.
    syncFolder(QFileInfo(path).absolutePath());
    return true;
}

bool ensureParents(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists())
        return info.isDir();
    const QString parent = info.absolutePath();
    // Ordinary folders of the user's (~/.config, ~/.local/share): others may look in, as usual, but never
    // write there, whatever the umask says.
    constexpr mode_t readableByOthers = S_IRWXU | S_IRGRP | S_IXGRP | S_IROTH | S_IXOTH;
    return (parent == path || ensureParents(parent)) && makeFolder(path, readableByOthers);
}

// Writes the whole buffer, through interrupted and partial writes.
bool writeAll(int fd, const QByteArray& data)
{
    qint64 done = 0;
    while (done < data.size()) {
        const ssize_t count = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            if (count == 0)
                errno = EIO;
            return false;
        }
        done += count;
    }
    return true;
}

// The temporary files of the writes under way on any thread, known by name until each write ends, so that a
// process ending without waiting for its workers removes them.
struct WritesInFlight
{
    QMutex mutex;
    QSet<QByteArray> temporaries;
    bool abandoned = false;
};

WritesInFlight& writesInFlight()
{
    static WritesInFlight shared;
    return shared;
}

// Whose file a write makes: ours, in our own folders, or one the user chose, in a folder of the user's.
enum class Owner { ours, user };

// A temporary file made from the template, and known as in flight until this goes.
class Temporary final
{
    Q_DISABLE_COPY_MOVE(Temporary)

public:
    Temporary(QByteArray& name, Owner owner)
        : m_name(name)
    {
        WritesInFlight& writes = writesInFlight();
        // Made under the lock, so that no file escapes an abandonment at the same moment.
        const QMutexLocker locker(&writes.mutex);
        if (writes.abandoned) {
            m_error = ECANCELED;
            return;
        }
        m_fd = ::mkostemp(m_name.data(), O_CLOEXEC);
        m_error = errno;
        if (m_fd < 0)
            return;
        writes.temporaries.insert(m_name);
        // No sweep of ours looks in the user's folders: the next start finds it through the journal.
        if (owner == Owner::user)
            ChosenWrites::note(m_fd, m_name);
    }

    ~Temporary()
    {
        if (m_fd < 0)
            return;
        WritesInFlight& writes = writesInFlight();
        const QMutexLocker locker(&writes.mutex);
        writes.temporaries.remove(m_name);
    }

    int fd() const { return m_fd; }
    // Why no file was made.
    int error() const { return m_error; }

private:
    QByteArray& m_name;
    int m_fd = -1;
    int m_error = 0;
};

bool writeWithMode(const QString& path, const QByteArray& data, mode_t mode, QString* errorString, FileStamp* written,
                   Owner owner = Owner::ours)
{
    const QFileInfo info(path);
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    // The temporary file sits beside the target, so the rename stays within one file system and replaces
    // whatever entry is at the path (a symbolic link included) rather than anything it points to.
    QByteArray temporary = target + ".~XXXXXX";
    const Temporary made(temporary, owner);
    const int fd = made.fd();
    if (fd < 0)
        return fail(made.error(), errorString);
    const auto discard = [&](int error, bool open) {
        if (open)
            ::close(fd);
        ::unlink(temporary.constData());
        return fail(error, errorString);
    };
    if (::fchmod(fd, mode) != 0 || !writeAll(fd, data) || ::fdatasync(fd) != 0)
        return discard(errno, true);
    if (::rename(temporary.constData(), target.constData()) != 0)
        return discard(errno, true);
    // The stamp of the file written, from the file itself (a rename changes its change time): another
    // program's file landing at the path since is never taken for ours.
    struct stat own = {};
    const bool stamped = ::fstat(fd, &own) == 0;
    if (written)
        *written = stamped ? stampFrom(own) : FileStamp{};
    // The file holds the new data now, whatever the folder's sync says: the caller hears of the failure
    // (the rename may not survive a power cut) and keeps the stamp of its own file.
    const bool synced = syncFolder(info.absolutePath(), errorString);
    // The data is on the disk already (fdatasync), so closing has nothing left to report.
    ::close(fd);
    return synced;
}

constexpr QLatin1StringView savingMark(".~");

// Six random letters or digits after the mark: one of our temporary files.
bool isRandomSuffix(QStringView suffix)
{
    return suffix.size() == 6 && std::all_of(suffix.begin(), suffix.end(), [](QChar c) {
               return c.unicode() < 128 && std::isalnum(c.unicode());
           });
}

// What earlier versions named their temporary files: "<name>." and six random letters or digits. A user's
// own copy has the same shape ("<name>.backup", ".Backup", ".copy12"): a word in one case or capitalised,
// with or without a number after it, is never taken for one (six random characters are one 26 times in 1000).
bool isEarlierTemporarySuffix(QStringView suffix)
{
    static const QRegularExpression word(QStringLiteral("^(?:[A-Z]?[a-z]*|[A-Z]*)[0-9]*$"));
    return isRandomSuffix(suffix) && !word.match(suffix).hasMatch();
}

bool isTemporaryName(const QString& name, const QString& fileName)
{
    if (isTemporaryOf(name, fileName))
        return true;
    if (!name.startsWith(fileName))
        return false;
    const QStringView rest = QStringView(name).sliced(fileName.size());
    return rest.startsWith(u'.') && isEarlierTemporarySuffix(rest.sliced(1));
}

} // namespace

bool isTemporaryOf(QStringView name, QStringView targetName)
{
    if (targetName.isEmpty() || !name.startsWith(targetName))
        return false;
    const QStringView rest = name.sliced(targetName.size());
    return rest.startsWith(savingMark) && isRandomSuffix(rest.sliced(savingMark.size()));
}

FileStamp stampOf(const QString& path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return stampFrom(info);
}

bool ensureFolder(const QString& folder)
{
    // With a trailing slash the folder itself would count as its own parent and be made with the umask's mode.
    const QString path = QDir::cleanPath(folder);
    const QFileInfo info(path);
    if (info.exists())
        return info.isDir();
    return ensureParents(info.absolutePath()) && makeFolder(path, S_IRWXU);
}

bool syncFolder(const QString& folder, QString* errorString)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return fail(errno, errorString);
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS;
    const int error = errno;
    ::close(fd);
    return synced || fail(error, errorString);
}

bool writeAtomically(const QString& path, const QByteArray& data, QString* errorString, FileStamp* written)
{
    return writeWithMode(path, data, S_IRUSR | S_IWUSR, errorString, written);
}

bool replaceKeepingMode(const QString& path, const QByteArray& data, QString* errorString, FileStamp* written)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return fail(errno, errorString);
    return writeWithMode(path, data, info.st_mode & 07777, errorString, written);
}

bool writeChosenFile(const QString& path, const QByteArray& data, QString* errorString)
{
    struct stat info = {};
    const bool replacing = ::stat(QFile::encodeName(path).constData(), &info) == 0;
    const mode_t mode = replacing ? info.st_mode & 07777 : S_IRUSR | S_IWUSR;
    return writeWithMode(path, data, mode, errorString, nullptr, Owner::user);
}

void abandonWritesInFlight()
{
    WritesInFlight& writes = writesInFlight();
    // The lock is held while a temporary file is made and noted in the journal, which syncs: a disk that hangs
    // there must not keep the process from ending.
    constexpr int lockWaitMs = 50;
    if (!writes.mutex.tryLock(lockWaitMs))
        return;
    writes.abandoned = true;
    for (const QByteArray& temporary : std::as_const(writes.temporaries))
        ::unlink(temporary.constData());
    writes.mutex.unlock();
}

int removeLeftoverTemporaries(const QString& path)
{
    const QFileInfo info(path);
    const QString fileName = info.fileName();
    QDir folder(info.absolutePath());
    int removed = 0;
    const QStringList names = folder.entryList({fileName + QStringLiteral(".*")}, QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        const QFileInfo leftover(folder.filePath(name));
        if (isTemporaryName(name, fileName) && !leftover.isSymLink() && folder.remove(name))
            ++removed;
    }
    if (removed > 0)
        syncFolder(folder.path());
    return removed;
}

namespace {

QString tooLarge(qint64 maxBytes)
{
    return QStringLiteral("larger than %1").arg(QLocale::c().formattedDataSize(maxBytes, 0));
}

// What a look at the file says before reading: whole, a file over the limit is refused.
FileRead look(const struct stat& info, qint64 maxBytes, bool whole)
{
    const FileStamp stamp = stampFrom(info);
    if (!S_ISREG(info.st_mode))
        return {FileRead::Outcome::unsuitable, {}, QStringLiteral("not a regular file"), stamp};
    if (whole && info.st_size > maxBytes)
        return {FileRead::Outcome::unsuitable, {}, tooLarge(maxBytes), stamp};
    return {FileRead::Outcome::read, {}, {}, stamp};
}

// Nothing there: no file, or a file where a folder of its path should be (saving will say so).
bool isAbsence(int error)
{
    return error == ENOENT || error == ENOTDIR;
}

FileRead inaccessible(int error, const FileStamp& stamp = {})
{
    return {FileRead::Outcome::inaccessible, {}, qt_error_string(error), stamp};
}

FileRead readRegular(const QString& path, qint64 maxBytes, bool whole)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info = {};
    if (::stat(native.constData(), &info) != 0)
        return isAbsence(errno) ? FileRead{} : inaccessible(errno);
    if (FileRead found = look(info, maxBytes, whole); found.outcome != FileRead::Outcome::read)
        return found;
    // Without blocking, in case a FIFO took the file's place since the look above.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return isAbsence(errno) ? FileRead{} : inaccessible(errno);
    FileRead found = ::fstat(fd, &info) == 0 ? look(info, maxBytes, whole) : inaccessible(errno);
    // Read whole, one byte beyond the limit tells a file that grew meanwhile.
    const qint64 wanted = whole ? maxBytes + 1 : maxBytes;
    while (found.outcome == FileRead::Outcome::read && found.contents.size() < wanted) {
        char buffer[65536];
        const ssize_t count =
            ::read(fd, buffer, size_t(std::min<qint64>(qint64(sizeof buffer), wanted - found.contents.size())));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            found = inaccessible(errno, found.stamp);
        else if (count == 0)
            break;
        else
            found.contents.append(buffer, count);
    }
    ::close(fd);
    if (found.outcome == FileRead::Outcome::read && found.contents.size() > maxBytes)
        return {FileRead::Outcome::unsuitable, {}, tooLarge(maxBytes), found.stamp};
    return found;
}

} // namespace

FileRead readRegularFile(const QString& path, qint64 maxBytes)
{
    return readRegular(path, maxBytes, true);
}

FileRead readRegularFileStart(const QString& path, qint64 maxBytes)
{
    return readRegular(path, maxBytes, false);
}

QString setAside(const QString& path)
{
    QString target = path + QStringLiteral(".unreadable");
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = path + QStringLiteral(".unreadable-%1").arg(n);
    return QFile::rename(path, target) ? target : QString();
}

} // namespace PrivateFiles
