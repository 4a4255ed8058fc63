#include "Wisplet/Tools/Files/ShelfFileModel.h"

#include "Wisplet/Base/Colours.h"
#include "Wisplet/Base/OutsideText.h"
#include "Wisplet/Base/PlainToolTip.h"
#include "Wisplet/Base/ScaledImageReader.h"
#include "Wisplet/Base/SymbolIcons.h"

#include <QFileInfo>
#include <QFutureWatcher>
#include <QMimeData>
#include <QPainter>
#include <QUrl>
#include <QtConcurrent>

#include <algorithm>

namespace {

bool sameIds(const QList<ShelfItem>& first, const QList<ShelfItem>& second)
{
    return std::equal(first.cbegin(), first.cend(), second.cbegin(), second.cend(),
                      [](const ShelfItem& a, const ShelfItem& b) { return a.id == b.id; });
}

} // namespace

ShelfFileModel::ShelfFileModel(QObject* parent)
    : QAbstractListModel(parent)
{ }

void ShelfFileModel::setItems(const QList<ShelfItem>& items)
{
    if (!sameIds(items, m_items)) {
        beginResetModel();
        m_items = items;
        endResetModel();
        return;
    }
    m_items = items;
}

int ShelfFileModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant ShelfFileModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_items.size())
        return {};
    const ShelfItem& item = m_items.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
        const QString path = item.resolvedPath();
        if (role == Qt::ToolTipRole)
            return plainToolTip(OutsideText::fileName(path));
        const QString name = OutsideText::fileName(item.name);
        return path.isEmpty() ? name + tr(" · Missing") : name;
    }
    case Qt::ForegroundRole:
        return item.resolvedPath().isEmpty() ? QColor(warningOrange) : QColor(Qt::white);
    case Qt::DecorationRole:
        return decoration(item.resolvedPath());
    case Qt::AccessibleDescriptionRole:
        return item.resolvedPath().isEmpty() ? tr("Missing file") : QVariant();
    case idRole:
        return item.id;
    case pathRole:
        return item.resolvedPath();
    default:
        return {};
    }
}

QVariant ShelfFileModel::decoration(const QString& path) const
{
    if (path.isEmpty())
        return symbolIcon(QStringLiteral("exclamationmark.triangle"), warningOrange);
    if (const QPixmap* thumbnail = m_thumbnails.object(path))
        return QIcon(*thumbnail);
    const QFileInfo info(path);
    // Only regular files: opening a named pipe would block the worker for good.
    if (info.isFile())
        requestThumbnail(path);
    return m_icons.icon(info);
}

void ShelfFileModel::requestThumbnail(const QString& path) const
{
    if (m_requested.contains(path))
        return;
    m_requested.insert(path);
    auto* self = const_cast<ShelfFileModel*>(this);
    auto* watcher = new QFutureWatcher<ScaledImage>(self);
    connect(watcher, &QFutureWatcher<ScaledImage>::finished, self, [self, watcher, path] {
        watcher->deleteLater();
        const ScaledImage thumbnail = watcher->result();
        if (thumbnail.ok())
            self->storeThumbnail(path, thumbnail.image);
    });
    // The worker only decodes; pixmaps are made here on the main thread.
    watcher->setFuture(QtConcurrent::run([path] { return ScaledImageReader::read(path, thumbnailPixels); }));
}

void ShelfFileModel::storeThumbnail(const QString& path, const QImage& image)
{
    // Centred on a square, so that every row's name starts at the same place whatever the picture's shape.
    QImage square(thumbnailPixels, thumbnailPixels, QImage::Format_ARGB32_Premultiplied);
    square.fill(Qt::transparent);
    QPainter(&square).drawImage((thumbnailPixels - image.width()) / 2, (thumbnailPixels - image.height()) / 2, image);
    // Dropped from the cache later, a file may be asked again.
    m_thumbnails.insert(path, new QPixmap(QPixmap::fromImage(square)));
    m_requested.remove(path);
    // Finding the rows would resolve every reference on the shelf for each thumbnail; the view asks again
    // only for the rows it shows.
    if (!m_items.isEmpty())
        emit dataChanged(index(0), index(int(m_items.size()) - 1), {Qt::DecorationRole});
    emit thumbnailReady(path);
}

Qt::ItemFlags ShelfFileModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractListModel::flags(index);
    if (index.isValid() && !m_items.at(index.row()).resolvedPath().isEmpty())
        flags |= Qt::ItemIsDragEnabled;
    return flags;
}

QStringList ShelfFileModel::mimeTypes() const
{
    return {QStringLiteral("text/uri-list")};
}

QMimeData* ShelfFileModel::mimeData(const QModelIndexList& indexes) const
{
    QList<QUrl> urls;
    for (const QModelIndex& index : indexes) {
        const QString path = index.data(pathRole).toString();
        if (!path.isEmpty())
            urls.append(QUrl::fromLocalFile(path));
    }
    if (urls.isEmpty())
        return nullptr;
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}
