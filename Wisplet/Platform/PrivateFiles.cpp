#include "Wisplet/Platform/PrivateFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PrivateFiles {

bool ensureFolder(const QString& folder)
{
    // With a trailing slash the folder itself would count as its own parent and be made with the umask's mode.
    const QString path = QDir::cleanPath(folder);
    const QFileInfo info(path);
    if (info.exists())
        return info.isDir();
    const QString parent = info.absolutePath();
    if (!QDir().mkpath(parent))
        return false;
    return QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) || QFileInfo(path).isDir();
}

namespace {

bool writeWithMode(const QString& path, const QByteArray& data, mode_t mode, QString* errorString)
{
    QSaveFile file(path);
    const auto fail = [&] {
        if (errorString)
            *errorString = file.errorString();
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail();
    // The temporary file follows the umask; the mode must be set before it replaces the target.
    if (::fchmod(file.handle(), mode) != 0)
        return fail();
    if (file.write(data) != data.size())
        return fail();
    if (!file.commit()) {
        if (errorString)
            *errorString = file.errorString();
        return false;
    }
    return true;
}

} // namespace

bool writeAtomically(const QString& path, const QByteArray& data, QString* errorString)
{
    return writeWithMode(path, data, S_IRUSR | S_IWUSR, errorString);
}

bool replaceKeepingMode(const QString& path, const QByteArray& data, QString* errorString)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        if (errorString)
            *errorString = qt_error_string(errno);
        return false;
    }
    return writeWithMode(path, data, info.st_mode & 07777, errorString);
}

namespace {

FileRead tooLarge(qint64 maxBytes)
{
    return {FileRead::Outcome::unsuitable,
            {},
            QStringLiteral("larger than %1").arg(QLocale::c().formattedDataSize(maxBytes, 0))};
}

// What a look at the file says before reading: whole, a file over the limit is refused.
FileRead unsuitable(const struct stat& info, qint64 maxBytes, bool whole)
{
    if (!S_ISREG(info.st_mode))
        return {FileRead::Outcome::unsuitable, {}, QStringLiteral("not a regular file")};
    if (whole && info.st_size > maxBytes)
        return tooLarge(maxBytes);
    return {FileRead::Outcome::read, {}, {}};
}

// Nothing there: no file, or a file where a folder of its path should be (saving will say so).
bool isAbsence(int error)
{
    return error == ENOENT || error == ENOTDIR;
}

FileRead inaccessible(int error)
{
    return {FileRead::Outcome::inaccessible, {}, qt_error_string(error)};
}

FileRead readRegular(const QString& path, qint64 maxBytes, bool whole)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info = {};
    if (::stat(native.constData(), &info) != 0)
        return isAbsence(errno) ? FileRead{} : inaccessible(errno);
    if (FileRead found = unsuitable(info, maxBytes, whole); found.outcome != FileRead::Outcome::read)
        return found;
    // Without blocking, in case a FIFO took the file's place since the look above.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return isAbsence(errno) ? FileRead{} : inaccessible(errno);
    FileRead found = ::fstat(fd, &info) == 0 ? unsuitable(info, maxBytes, whole) : inaccessible(errno);
    // Read whole, one byte beyond the limit tells a file that grew meanwhile.
    const qint64 wanted = whole ? maxBytes + 1 : maxBytes;
    while (found.outcome == FileRead::Outcome::read && found.contents.size() < wanted) {
        char buffer[65536];
        const ssize_t count =
            ::read(fd, buffer, size_t(std::min<qint64>(qint64(sizeof buffer), wanted - found.contents.size())));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            found = inaccessible(errno);
        else if (count == 0)
            break;
        else
            found.contents.append(buffer, count);
    }
    ::close(fd);
    if (found.outcome == FileRead::Outcome::read && found.contents.size() > maxBytes)
        return tooLarge(maxBytes);
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
