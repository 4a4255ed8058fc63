#include "Wisplet/Tools/Clipboard/ClipListModel.h"

#include "Wisplet/Base/OutsideText.h"
#include "Wisplet/Base/PlainToolTip.h"
#include "Wisplet/Base/ScaledImageReader.h"
#include "Wisplet/Tools/Clipboard/ClipHistoryFile.h"
#include "Wisplet/Tools/Clipboard/ClipboardRules.h"

#include <QFutureWatcher>
#include <QtConcurrent>

namespace {

// Pictures are read at up to twice the row's 34-point frame, for screens at scale 2.
constexpr int pictureReadSide = 2 * 34;
// A tooltip shows this much of a title at most.
constexpr qsizetype toolTipCharacters = 1000;

} // namespace

ClipListModel::ClipListModel(const QString& folder, QObject* parent)
    : RowListModel(parent)
    , m_folder(folder)
{ }

void ClipListModel::setNow(const QDateTime& now)
{
    m_now = now;
    // The rows not on screen are not asked again until they show.
    if (rowCount() > 0)
        emit dataChanged(index(0), index(rowCount() - 1), {subtitleRole, Qt::AccessibleDescriptionRole});
}

int ClipListModel::rowOf(const QUuid& id) const
{
    const QList<ClipItem>& rows = values();
    const auto found = std::find_if(rows.cbegin(), rows.cend(), [&id](const ClipItem& item) { return item.id == id; });
    return found == rows.cend() ? -1 : int(found - rows.cbegin());
}

QString ClipListModel::subtitle(const ClipItem& item, const QDateTime& now)
{
    const QString age = ClipboardRules::relativeAge(item.date.secsTo(now));
    return item.app && !item.app->isEmpty() ? OutsideText::isolated(*item.app) + QStringLiteral(" · ") + age : age;
}

QString ClipListModel::kindSymbol(ClipItem::Kind kind)
{
    switch (kind) {
    case ClipItem::Kind::text:
        return QStringLiteral("text.alignleft");
    case ClipItem::Kind::link:
        return QStringLiteral("link");
    case ClipItem::Kind::file:
        return QStringLiteral("doc");
    case ClipItem::Kind::image:
        break;
    }
    return QStringLiteral("photo");
}

QVariant ClipListModel::data(const QModelIndex& index, int role) const
{
    const ClipItem* item = valueAt(index);
    if (!item)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return item->displayTitle();
    case Qt::ToolTipRole:
        return plainToolTip(item->displayTitle().left(toolTipCharacters));
    case subtitleRole:
    case Qt::AccessibleDescriptionRole:
        return subtitle(*item, m_now);
    case Qt::DecorationRole:
        return picture(*item);
    case symbolRole:
        return kindSymbol(item->kind);
    case pinnedRole:
        return item->pinned;
    default:
        return {};
    }
}

QVariant ClipListModel::picture(const ClipItem& item) const
{
    if (item.kind != ClipItem::Kind::image)
        return {};
    // The preview first; without one, the image itself.
    QStringList names;
    for (const std::optional<QString>& name : {item.thumbnailFile, item.imageFile}) {
        if (name && ClipHistoryFile::isPlainName(*name))
            names.append(*name);
    }
    if (names.isEmpty())
        return {};
    const QString key = item.thumbnailFile.value_or(QString()) + u'/' + item.imageFile.value_or(QString());
    if (const QPixmap* kept = m_pictures.object(key))
        return kept->isNull() ? QVariant() : QVariant(*kept);
    readPicture(key, names);
    return {};
}

void ClipListModel::readPicture(const QString& key, const QStringList& names) const
{
    if (m_reading.contains(key))
        return;
    m_reading.insert(key);
    auto* self = const_cast<ClipListModel*>(this);
    auto* watcher = new QFutureWatcher<QImage>(self);
    connect(watcher, &QFutureWatcher<QImage>::finished, self, [self, watcher, key] {
        watcher->deleteLater();
        self->keepPicture(key, watcher->result());
    });
    // The image itself may be large: read off the main thread.
    watcher->setFuture(QtConcurrent::run([folder = m_folder, names] {
        for (const QString& name : names) {
            // Never a picture a link in the folder points to elsewhere.
            if (!ClipHistoryFile::isRegularFileIn(folder, name))
                continue;
            const ScaledImage scaled = ScaledImageReader::read(folder + u'/' + name, pictureReadSide);
            if (scaled.ok() && !scaled.image.isNull())
                return scaled.image;
        }
        return QImage();
    }));
}

void ClipListModel::keepPicture(const QString& key, const QImage& image)
{
    m_reading.remove(key);
    m_pictures.insert(key, new QPixmap(QPixmap::fromImage(image)));
    // Finding the rows that show it would walk the whole history; the view asks again only for the rows on
    // screen.
    if (!image.isNull() && rowCount() > 0)
        emit dataChanged(index(0), index(rowCount() - 1), {Qt::DecorationRole});
}
