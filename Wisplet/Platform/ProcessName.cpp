#include "Wisplet/Platform/ProcessName.h"

#include "Wisplet/Platform/PrivateFiles.h"

#include <QFile>
#include <QFileInfo>

#include <unistd.h>

#include <climits>

namespace ProcessName {

namespace {

// The kernel keeps this many characters of a name.
constexpr qsizetype kernelNameLength = 15;

QString folderOf(qint64 pid, const QString& procRoot)
{
    return procRoot + u'/' + QString::number(pid) + u'/';
}

QByteArray start(const QString& path, qint64 maxBytes)
{
    return PrivateFiles::readRegularFileStart(path, maxBytes).contents;
}

QList<QByteArray> arguments(const QString& folder)
{
    return start(folder + QLatin1String("cmdline"), 4096).split('\0');
}

QString baseName(const QByteArray& path)
{
    return QFileInfo(QString::fromLocal8Bit(path)).fileName();
}

// The base name of the file the process runs; empty when it is hidden or gone.
QString executableName(const QString& folder)
{
    char target[PATH_MAX];
    const ssize_t length =
        ::readlink(QFile::encodeName(folder + QLatin1String("exe")).constData(), target, sizeof target);
    if (length <= 0)
        return {};
    QByteArray path(target, int(length));
    // The kernel says so of a file replaced or removed since it was started.
    if (path.endsWith(" (deleted)"))
        path.chop(10);
    return baseName(path);
}

QString kernelName(const QString& folder, const QList<QByteArray>& arguments)
{
    const QString name = QString::fromLocal8Bit(start(folder + QLatin1String("comm"), 64)).trimmed();
    if (name.size() < kernelNameLength)
        return name;
    // The program, or the script an interpreter runs.
    for (qsizetype index = 0; index < std::min<qsizetype>(2, arguments.size()); ++index) {
        const QString whole = baseName(arguments[index]);
        if (whole.startsWith(name))
            return whole;
    }
    return name;
}

} // namespace

QString of(qint64 pid, const QString& procRoot)
{
    if (pid <= 0)
        return {};
    const QString folder = folderOf(pid, procRoot);
    return kernelName(folder, arguments(folder));
}

QStringList namesOf(qint64 pid, const QString& procRoot)
{
    if (pid <= 0)
        return {};
    const QString folder = folderOf(pid, procRoot);
    const QList<QByteArray> given = arguments(folder);
    const QString name = kernelName(folder, given);
    if (name.isEmpty())
        return {};
    QStringList names{name, baseName(given.value(0)), executableName(folder)};
    names.removeAll(QString());
    names.removeDuplicates();
    return names;
}

} // namespace ProcessName
