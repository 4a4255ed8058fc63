#pragma once

#include "Wisplet/Base/StoredList.h"
#include "Wisplet/Notch/FileDropTarget.h"
#include "Wisplet/Tools/Files/ShelfItem.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

// The file shelf: up to 50 references to files and folders the user keeps at hand, newest first, kept in
// "shelf.json". It never copies or moves a file. Failures are told through `message`, which is replaced by
// a later failure and cleared only when a failed save is followed by one that succeeds.
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
    // set aside at once (or, when it cannot be moved, before the first save) and `message` says so; one
    // that cannot be opened is left where it is and not written over.
    explicit FileShelf(const QString& folder, QObject* parent = nullptr);

    const QList<ShelfItem>& items() const { return m_items; }
    const QString& message() const { return m_message; }

    // Adds the file URLs in order, skipping other schemes and references already on the shelf, until the
    // shelf is full; then saves once, whatever was added.
    void add(const QList<QUrl>& urls);
    // Removes every reference with the id, then saves.
    void remove(const QUuid& id);
    // Writes the references when they differ from the file's, after taking in another program's change to
    // it; a failure keeps them for the next save (the program saves at quit too). True when nothing is left
    // unsaved.
    bool save();

    // Dropped files: at most the first 50 file URLs, each added by its own add().
    bool handleDrop(const QList<QUrl>& files) override;

    QString filePath() const { return m_file.path(); }

signals:
    void itemsChanged(const QList<ShelfItem>& items);
    void messageChanged(const QString& message);
    void changed();

private:
    void setMessage(const QString& message);
    void publishItems();
    bool contains(const QString& cleanPath) const;

    StoredList<ShelfItem> m_file;
    QList<ShelfItem> m_items;
    QString m_message;
};
