#include "tests/support/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace TestFiles {

QByteArray read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool write(const QString& path, const QByteArray& contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

int mode(const QString& path)
{
    struct stat info
    { };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

bool setMode(const QString& path, int mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0;
}

bool place(Standing standing, const QString& path, const QByteArray& contents, qint64 limit)
{
    const QByteArray native = QFile::encodeName(path);
    switch (standing) {
    case Standing::contents:
        return write(path, contents);
    case Standing::fifo:
        return QDir().mkpath(QFileInfo(path).absolutePath()) && ::mkfifo(native.constData(), 0600) == 0;
    case Standing::folder:
        return write(path + QStringLiteral("/inside"), contents);
    case Standing::oversized:
        return write(path, contents) && ::truncate(native.constData(), off_t(limit + 1)) == 0;
    }
    return false;
}

} // namespace TestFiles
