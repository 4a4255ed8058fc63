#include "Wisplet/Base/AppSupport.h"

#include "Wisplet/Platform/PrivateFiles.h"

#include <QStandardPaths>

QString appSupportDirectory()
{
    static const QString folder = [] {
        const QString path =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Wisplet");
        // A failure shows later, as saves that report false.
        PrivateFiles::ensureFolder(path);
        return path;
    }();
    return folder;
}
