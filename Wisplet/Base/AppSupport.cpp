#include "Wisplet/Base/AppSupport.h"

#include "Wisplet/Platform/PrivateFiles.h"

#include <QFile>
#include <QJsonDocument>
#include <QStandardPaths>

namespace {

QString supportFile(const QString& fileName)
{
    return appSupportDirectory() + u'/' + fileName;
}

bool save(const QJsonDocument& document, const QString& fileName)
{
    return PrivateFiles::writeAtomically(supportFile(fileName), document.toJson(QJsonDocument::Compact));
}

} // namespace

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

bool saveJSON(const QJsonArray& value, const QString& fileName)
{
    return save(QJsonDocument(value), fileName);
}

bool saveJSON(const QJsonObject& value, const QString& fileName)
{
    return save(QJsonDocument(value), fileName);
}

void removeSupportFile(const QString& fileName)
{
    QFile::remove(supportFile(fileName));
}
