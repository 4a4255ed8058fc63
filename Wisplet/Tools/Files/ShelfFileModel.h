#pragma once

#include "Wisplet/Tools/Files/ShelfItem.h"

#include <QAbstractListModel>
#include <QCache>
#include <QFileIconProvider>
#include <QPixmap>
#include <QSet>

// The shelf's rows: name and icon or thumbnail, missing files in orange with a warning sign. Thumbnails are
// decoded off the main thread at 76 pixels and kept for the 60 files seen last.
class ShelfFileModel final : public QAbstractListModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ShelfFileModel)

public:
    enum Role { idRole = Qt::UserRole + 1, pathRole };

    static constexpr int thumbnailPixels = 76;

    explicit ShelfFileModel(QObject* parent = nullptr);

    // Resets only when the sequence of ids changes, so a selection survives anything else.
    void setItems(const QList<ShelfItem>& items);
    const QList<ShelfItem>& items() const { return m_items; }

    // Whether the thumbnail of the path is at hand.
    bool hasThumbnail(const QString& path) const { return m_thumbnails.contains(path); }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

signals:
    void thumbnailReady(const QString& path);

private:
    QVariant decoration(const QString& path) const;
    void requestThumbnail(const QString& path) const;
    void storeThumbnail(const QString& path, const QImage& image);

    QList<ShelfItem> m_items;
    QFileIconProvider m_icons;
    mutable QCache<QString, QPixmap> m_thumbnails{60};
    // Asked for, or found to have none; each file is asked once.
    mutable QSet<QString> m_requested;
};
