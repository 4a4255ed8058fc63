#include "Wisplet/Platform/ProcessName.h"

#include "Wisplet/Platform/PrivateFiles.h"

#include <QFileInfo>

namespace ProcessName {

namespace {

// The kernel keeps this many characters of a name.
constexpr qsizetype kernelNameLength = 15;

QByteArray start(const QString& path, qint64 maxBytes)
{
    return PrivateFiles::readRegularFileStart(path, maxBytes).contents;
}

} // namespace

QString of(qint64 pid, const QString& procRoot)
{
    if (pid <= 0)
        return {};
    const QString folder = procRoot + u'/' + QString::number(pid) + u'/';
    const QString name = QString::fromLocal8Bit(start(folder + QLatin1String("comm"), 64)).trimmed();
    if (name.size() < kernelNameLength)
        return name;
    // The program, or the script an interpreter runs.
    const QList<QByteArray> arguments = start(folder + QLatin1String("cmdline"), 4096).split('\0');
    for (qsizetype index = 0; index < std::min<qsizetype>(2, arguments.size()); ++index) {
        const QString whole = QFileInfo(QString::fromLocal8Bit(arguments[index])).fileName();
        if (whole.startsWith(name))
            return whole;
    }
    return name;
}

} // namespace ProcessName
