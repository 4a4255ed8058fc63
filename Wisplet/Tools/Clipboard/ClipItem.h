#pragma once

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

// One captured copy.
struct ClipItem
{
    enum class Kind { text, link, image, file };

    QUuid id;
    Kind kind = Kind::text;
    // Text and link: the copied string. Image: a label with its size. File: the paths, one a line.
    QString text;
    // Image only: the file beside the history that holds the copied bytes.
    std::optional<QString> imageFile;
    QDateTime date;
    // Image only: the MIME type the bytes were read as.
    std::optional<QString> payloadType;
    // Image only: the preview file, when one could be made.
    std::optional<QString> thumbnailFile;
    std::optional<QStringList> filePaths;
    bool pinned = false;
    // The name of the application in front when the copy was made.
    std::optional<QString> app;

    // One line for the list.
    QString displayTitle() const;

    static QString kindName(Kind kind);
    static std::optional<Kind> kindFromName(const QString& name);

    QJsonObject toJson() const;
    // None when a required key is missing or any key has the wrong type.
    static std::optional<ClipItem> fromJson(const QJsonObject& object);

    friend bool operator==(const ClipItem&, const ClipItem&) = default;
};

// The history as stored: one object per entry, newest first. None when any entry is unreadable.
QJsonArray clipItemsToJson(const QList<ClipItem>& items);
std::optional<QList<ClipItem>> clipItemsFromJson(const QByteArray& json);
