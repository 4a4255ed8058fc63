#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QUuid>

#include <optional>

// One reference on the file shelf. The file itself stays where it is; the bookmark is a small reference of
// our own to it: its absolute path, with the device and inode it had when added kept for information.
struct ShelfItem
{
    QUuid id;
    QByteArray bookmark;
    // The last path component as it was added; never updated.
    QString name;

    friend bool operator==(const ShelfItem&, const ShelfItem&) = default;

    // A bookmark for the path, or none with the system's reason when the path cannot be looked at.
    static std::optional<QByteArray> makeBookmark(const QString& path, QString* errorText);

    // The path the bookmark names while something exists there, else empty: the file is missing. Nothing
    // is ever refreshed or rewritten by resolving.
    QString resolvedPath() const;

    QJsonObject toJson() const;
    // None when a member is missing or of the wrong form.
    static std::optional<ShelfItem> fromJson(const QJsonObject& object);
};
