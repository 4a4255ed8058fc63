#include "Wisplet/Base/UnreadableFile.h"

#include "Wisplet/Base/ProblemReport.h"
#include "Wisplet/Platform/PrivateFiles.h"

#include <QFileInfo>

namespace UnreadableFile {

namespace {

QString describe(const QString& name, const QString& reason, const QString& aside)
{
    if (aside.isEmpty())
        return QStringLiteral("Could not read %1 (%2), nor set it aside; it is left as it is and nothing is "
                              "saved over it.")
            .arg(name, reason);
    return QStringLiteral("Could not read %1 (%2); it was set aside as %3.").arg(name, reason, aside);
}

} // namespace

QString notice(const QString& path, const QString& reason, const QString& asidePath)
{
    return describe(QFileInfo(path).fileName(), reason,
                    asidePath.isEmpty() ? QString() : QFileInfo(asidePath).fileName());
}

QString leaveInPlace(const QString& path, const QString& reason)
{
    const QString line = QStringLiteral("Could not open %1 (%2); it is left as it is and nothing is saved over it.");
    reportProblem(QStringLiteral("Wisplet: ") + line.arg(path, reason));
    return line.arg(QFileInfo(path).fileName(), reason);
}

SetAside setAside(const QString& path, const QString& reason)
{
    SetAside result;
    result.path = PrivateFiles::setAside(path);
    result.notice = notice(path, reason, result.path);
    // The journal gets the full paths, so the file can be found again.
    reportProblem(QStringLiteral("Wisplet: ") + describe(path, reason, result.path));
    return result;
}

} // namespace UnreadableFile
