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

// What the file system knows of a file that tells it from any other: its device and inode, and its birth time,
// since an inode freed by a removed temporary is soon given to the next file made (on ext4 at once). Where the
// file system keeps no birth time, the device and inode stand alone.
QByteArray identityOf(const struct statx& file)
{
    const QByteArray born = (file.stx_mask & STATX_BTIME)
        ? QByteArray::number(file.stx_btime.tv_sec) + '.' + QByteArray::number(file.stx_btime.tv_nsec)
        : QByteArrayLiteral("-");
    return QByteArray::number(file.stx_dev_major) + ':' + QByteArray::number(file.stx_dev_minor) + ' '
        + QByteArray::number(quint64(file.stx_ino)) + ' ' + born;
}

constexpr unsigned identityFields = STATX_TYPE | STATX_INO | STATX_BTIME;

// The path of the noted file when it is still the very regular file the write made (not a link or anything else
// put in its place, nor a later file of that name), named as our temporaries are; empty otherwise.
QByteArray leftoverOf(const QByteArray& entry)
{
    // The identity holds no slash: the path starts at the first.
    const qsizetype pathStart = entry.indexOf(" /");
    if (pathStart < 0)
        return {};
    const QByteArray path = entry.sliced(pathStart + 1);
    const QString name = QFileInfo(QFile::decodeName(path)).fileName();
    const qsizetype mark = name.lastIndexOf(QLatin1StringView(".~"));
    if (mark < 1 || !PrivateFiles::isTemporaryOf(name, QStringView(name).first(mark)))
        return {};
    struct statx found = {};
    if (::statx(AT_FDCWD, path.constData(), AT_SYMLINK_NOFOLLOW, identityFields, &found) != 0
        || !S_ISREG(found.stx_mode) || identityOf(found) != entry.first(pathStart))
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
    struct statx made = {};
    if (journal().path.isEmpty() || ::statx(fd, "", AT_EMPTY_PATH, identityFields, &made) != 0)
        return;
    const int out = ::open(journal().path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (out < 0)
        return;
    // Housekeeping only: a note that cannot be written leaves the write itself to go on or fail as it will.
    const QByteArray entry = identityOf(made) + ' ' + temporaryPath + '\0';
    if (::write(out, entry.constData(), size_t(entry.size())) == entry.size())
        ::fdatasync(out);
    ::close(out);
}

} // namespace ChosenWrites
