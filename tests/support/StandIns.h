#pragma once

#include "tests/support/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

// What a user's machine can hold where a data file of ours should be. A table row names the contents of
// the file, or one of the stand-ins below.
namespace StandIns {

inline const QByteArray fifo = "<fifo>";
inline const QByteArray folder = "<folder>";

// A sparse file of the given size: costs no disk, but stat reports every byte.
inline QByteArray sized(qint64 bytes)
{
    return "<bytes>" + QByteArray::number(bytes);
}

// Puts the contents or the stand-in at the path; a null array leaves the path free.
inline bool place(const QString& path, const QByteArray& contents)
{
    if (contents.isNull())
        return true;
    if (contents == folder)
        return QDir().mkpath(path + QStringLiteral("/inside"));
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    if (contents == fifo)
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    if (contents.startsWith("<bytes>")) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.resize(contents.mid(7).toLongLong());
    }
    return TestFiles::write(path, contents);
}

// The stand-in or contents is still at the path, as placed.
inline bool isStill(const QString& path, const QByteArray& contents)
{
    const QFileInfo info(path);
    if (contents == fifo)
        return info.exists() && !info.isFile() && !info.isDir();
    if (contents == folder)
        return QFileInfo::exists(path + QStringLiteral("/inside"));
    if (contents.startsWith("<bytes>"))
        return info.isFile() && info.size() == contents.mid(7).toLongLong();
    return info.isFile() && TestFiles::read(path) == contents;
}

} // namespace StandIns
