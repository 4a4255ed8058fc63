#include "Wisplet/Platform/ChosenWrites.h"

#include "Wisplet/Platform/PrivateFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A journal is one run's writes; a run that wrote more than this has its oldest notes read only.
constexpr qint64 journalLimit = 1024 * 1024;

struct Journal
{
    QMutex mutex;
    QByteArray path;
};

Journal& journal()
{
    static Journal shared;
    return shared;
}

// A note: the file's device and inode, then its path. The file found at the path is ours only while it is the
// very file the write made: a user's file that took the same name later is another inode.
QByteArray entryFor(const struct stat& made, const QByteArray& path)
{
    return QByteArray::number(quint64(made.st_dev)) + ' ' + QByteArray::number(quint64(made.st_ino)) + ' ' + path;
}

// The path of the noted file when it is still the regular file the write made (not a link or anything else put
// in its place); empty otherwise.
QByteArray leftoverOf(const QByteArray& entry)
{
    const qsizetype afterDevice = entry.indexOf(' ');
    const qsizetype afterInode = entry.indexOf(' ', afterDevice + 1);
    if (afterDevice < 0 || afterInode < 0)
        return {};
    const QByteArray path = entry.sliced(afterInode + 1);
    struct stat info = {};
    if (!path.startsWith('/') || ::lstat(path.constData(), &info) != 0 || !S_ISREG(info.st_mode)
        || entryFor(info, path) != entry)
        return {};
    return path;
}

} // namespace

namespace ChosenWrites {

int track(const QString& journalPath)
{
    const PrivateFiles::FileRead read = PrivateFiles::readRegularFileStart(journalPath, journalLimit);
    int removed = 0;
    QSet<QString> folders;
    // Paths are kept apart by NUL, the one byte no path holds.
    for (const QByteArray& entry : read.contents.split('\0')) {
        const QByteArray path = leftoverOf(entry);
        if (!path.isEmpty() && ::unlink(path.constData()) == 0) {
            ++removed;
            folders.insert(QFileInfo(QFile::decodeName(path)).absolutePath());
        }
    }
    for (const QString& folder : std::as_const(folders))
        PrivateFiles::syncFolder(folder);

    const QByteArray encoded = QFile::encodeName(journalPath);
    const QMutexLocker locker(&journal().mutex);
    ::unlink(encoded.constData());
    journal().path = encoded;
    return removed;
}

void note(int fd, const QByteArray& temporaryPath)
{
    const QMutexLocker locker(&journal().mutex);
    struct stat made = {};
    if (journal().path.isEmpty() || ::fstat(fd, &made) != 0)
        return;
    const int out = ::open(journal().path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (out < 0)
        return;
    // Housekeeping only: a note that cannot be written leaves the write itself to go on or fail as it will.
    const QByteArray entry = entryFor(made, temporaryPath) + '\0';
    if (::write(out, entry.constData(), size_t(entry.size())) == entry.size())
        ::fdatasync(out);
    ::close(out);
}

} // namespace ChosenWrites
