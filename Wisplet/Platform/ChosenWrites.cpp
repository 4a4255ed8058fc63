#include "Wisplet/Platform/ChosenWrites.h"

#include "Wisplet/Platform/PrivateFiles.h"

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

// Still the temporary file a write of ours made: a regular file (not a link put in its place) whose name is
// a temporary of the target it sits beside.
bool isLeftover(const QByteArray& path)
{
    struct stat info = {};
    if (::lstat(path.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    const QString name = QFileInfo(QFile::decodeName(path)).fileName();
    const qsizetype mark = name.lastIndexOf(QLatin1String(".~"));
    return mark > 0 && PrivateFiles::isTemporaryOf(name, QStringView(name).first(mark));
}

} // namespace

namespace ChosenWrites {

int track(const QString& journalPath)
{
    const PrivateFiles::FileRead read = PrivateFiles::readRegularFileStart(journalPath, journalLimit);
    int removed = 0;
    QSet<QString> folders;
    // Paths are kept apart by NUL, the one byte no path holds.
    for (const QByteArray& path : read.contents.split('\0')) {
        if (path.startsWith('/') && isLeftover(path) && ::unlink(path.constData()) == 0) {
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

void note(const QByteArray& temporaryPath)
{
    const QMutexLocker locker(&journal().mutex);
    if (journal().path.isEmpty())
        return;
    const int fd = ::open(journal().path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return;
    // Housekeeping only: a note that cannot be written leaves the write itself to go on or fail as it will.
    const QByteArray entry = temporaryPath + '\0';
    if (::write(fd, entry.constData(), size_t(entry.size())) == entry.size())
        ::fdatasync(fd);
    ::close(fd);
}

} // namespace ChosenWrites
