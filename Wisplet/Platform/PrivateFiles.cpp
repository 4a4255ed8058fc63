#include "Wisplet/Platform/PrivateFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>

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

bool writeAtomically(const QString& path, const QByteArray& data, QString* errorString)
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
    if (::fchmod(file.handle(), S_IRUSR | S_IWUSR) != 0)
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

QString setAside(const QString& path)
{
    QString target = path + QStringLiteral(".unreadable");
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = path + QStringLiteral(".unreadable-%1").arg(n);
    return QFile::rename(path, target) ? target : QString();
}

} // namespace PrivateFiles
