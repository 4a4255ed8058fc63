#pragma once

#include "Wisplet/Notch/FileDropTarget.h"
#include "Wisplet/Tools/Files/ShelfItem.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

// The file shelf: up to 50 references to files and folders the user keeps at hand, newest first, kept in
// "shelf.json". It never copies or moves a file. Failures are told through `message`, which is never
// cleared, only replaced by a later failure.
class FileShelf final : public QObject, public FileDropTarget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileShelf)

public:
    static constexpr int capacity = 50;
    // Far above 50 references of the longest paths: anything larger is not a shelf of ours.
    static constexpr qint64 fileLimit = 4 * 1024 * 1024;

    static FileShelf& shared();

    // Loads "shelf.json" from the folder; a file that cannot be read or decoded gives an empty shelf, is
    // set aside at once (or, when it cannot be moved, before the first save) and `message` says so.
    explicit FileShelf(const QString& folder, QObject* parent = nullptr);

    const QList<ShelfItem>& items() const { return m_items; }
    const QString& message() const { return m_message; }

    // Adds the file URLs in order, skipping other schemes and references already on the shelf, until the
    // shelf is full; then saves once, whatever was added.
    void add(const QList<QUrl>& urls);
    // Removes every reference with the id, then saves.
    void remove(const QUuid& id);
    bool save();

    // Dropped files: at most the first 50 file URLs, each added by its own add().
    bool handleDrop(const QList<QUrl>& files) override;

    QString filePath() const;

signals:
    void itemsChanged(const QList<ShelfItem>& items);
    void messageChanged(const QString& message);
    void changed();

private:
    void load();
    void setMessage(const QString& message);
    void publishItems();
    bool contains(const QString& cleanPath) const;

    QString m_folder;
    QList<ShelfItem> m_items;
    QString m_message;
    // The file on disk could not be read nor moved aside; it is moved before it would be overwritten.
    bool m_unreadableOnDisk = false;
};
