#include "Wisplet/Tools/Files/ShelfItem.h"

#include "Wisplet/Platform/StoredJson.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {

const QString pathKey = QStringLiteral("path");

} // namespace

std::optional<QByteArray> ShelfItem::makeBookmark(const QString& path, QString* errorText)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    struct stat info
    { };
    if (::stat(QFile::encodeName(absolute).constData(), &info) != 0) {
        if (errorText)
            *errorText = QString::fromLocal8Bit(std::strerror(errno));
        return std::nullopt;
    }
    const QJsonObject reference{{pathKey, absolute},
                                {QStringLiteral("device"), QString::number(info.st_dev)},
                                {QStringLiteral("inode"), QString::number(info.st_ino)}};
    return QJsonDocument(reference).toJson(QJsonDocument::Compact);
}

QString ShelfItem::resolvedPath() const
{
    const QJsonValue path = QJsonDocument::fromJson(bookmark).object().value(pathKey);
    if (!path.isString() || path.toString().isEmpty())
        return {};
    const QFileInfo info(path.toString());
    // A dangling symbolic link counts as missing: there is nothing to drag or preview behind it.
    return info.exists() ? info.absoluteFilePath() : QString();
}

QJsonObject ShelfItem::toJson() const
{
    return {{QStringLiteral("id"), StoredJson::fromUuid(id)},
            {QStringLiteral("bookmark"), StoredJson::fromData(bookmark)},
            {QStringLiteral("name"), name}};
}

std::optional<ShelfItem> ShelfItem::fromJson(const QJsonObject& object)
{
    const std::optional<QUuid> id = StoredJson::toUuid(object.value(QStringLiteral("id")));
    const std::optional<QByteArray> bookmark = StoredJson::toData(object.value(QStringLiteral("bookmark")));
    const QJsonValue name = object.value(QStringLiteral("name"));
    if (!id || !bookmark || !name.isString())
        return std::nullopt;
    return ShelfItem{*id, *bookmark, name.toString()};
}
