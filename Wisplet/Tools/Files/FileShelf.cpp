#include "Wisplet/Tools/Files/FileShelf.h"

#include "Wisplet/Base/AppSupport.h"
#include "Wisplet/Base/PathName.h"
#include "Wisplet/Base/UnreadableFile.h"
#include "Wisplet/Platform/PrivateFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

const QString fileName = QStringLiteral("shelf.json");

std::optional<QList<ShelfItem>> decode(const QByteArray& data)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QList<ShelfItem> items;
    for (const QJsonValue& value : document.array()) {
        const std::optional<ShelfItem> item = value.isObject() ? ShelfItem::fromJson(value.toObject()) : std::nullopt;
        if (!item)
            return std::nullopt;
        items.append(*item);
    }
    return items;
}

} // namespace

FileShelf& FileShelf::shared()
{
    static auto* shelf = new FileShelf(appSupportDirectory());
    return *shelf;
}

FileShelf::FileShelf(const QString& folder, QObject* parent)
    : QObject(parent)
    , m_folder(folder)
{
    load();
}

QString FileShelf::filePath() const
{
    return m_folder + u'/' + fileName;
}

void FileShelf::load()
{
    const PrivateFiles::FileRead found = PrivateFiles::readRegularFile(filePath(), fileLimit);
    if (found.outcome == PrivateFiles::FileRead::Outcome::absent)
        return;
    const std::optional<QList<ShelfItem>> items =
        found.outcome == PrivateFiles::FileRead::Outcome::read ? decode(found.contents) : std::nullopt;
    if (items) {
        m_items = *items;
        return;
    }
    const UnreadableFile::SetAside aside =
        UnreadableFile::setAside(filePath(), found.reason.isEmpty() ? QStringLiteral("damaged") : found.reason);
    m_unreadableOnDisk = aside.path.isEmpty();
    m_message = aside.notice;
}

void FileShelf::add(const QList<QUrl>& urls)
{
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        // The cap comes before the duplicate test: a full shelf says so even for a file it holds.
        if (m_items.size() >= capacity) {
            setMessage(tr("The shelf holds 50 references. Remove some before adding more."));
            break;
        }
        const QString path = url.toLocalFile();
        const QString name = lastPathComponent(path);
        if (contains(QDir::cleanPath(QFileInfo(path).absoluteFilePath())))
            continue;
        QString reason;
        const std::optional<QByteArray> bookmark = ShelfItem::makeBookmark(path, &reason);
        if (!bookmark) {
            setMessage(tr("Could not add %1: %2").arg(name, reason));
            continue;
        }
        m_items.prepend(ShelfItem{QUuid::createUuid(), *bookmark, name});
        publishItems();
    }
    save();
}

bool FileShelf::contains(const QString& cleanPath) const
{
    return std::any_of(m_items.cbegin(), m_items.cend(), [&](const ShelfItem& item) {
        const QString resolved = item.resolvedPath();
        return !resolved.isEmpty() && QDir::cleanPath(resolved) == cleanPath;
    });
}

void FileShelf::remove(const QUuid& id)
{
    if (m_items.removeIf([&](const ShelfItem& item) { return item.id == id; }) > 0)
        publishItems();
    save();
}

bool FileShelf::save()
{
    const QString path = filePath();
    // What could not be read may still be the user's; it is kept beside, never overwritten.
    if (m_unreadableOnDisk && QFileInfo::exists(path)) {
        if (PrivateFiles::setAside(path).isEmpty()) {
            setMessage(tr("Could not save shelf references."));
            return false;
        }
    }
    m_unreadableOnDisk = false;
    QJsonArray array;
    for (const ShelfItem& item : std::as_const(m_items))
        array.append(item.toJson());
    const bool written = PrivateFiles::ensureFolder(m_folder)
        && PrivateFiles::writeAtomically(path, QJsonDocument(array).toJson(QJsonDocument::Compact));
    if (!written)
        setMessage(tr("Could not save shelf references."));
    return written;
}

bool FileShelf::handleDrop(const QList<QUrl>& files)
{
    QList<QUrl> taken;
    for (const QUrl& url : files) {
        if (url.isLocalFile() && taken.size() < capacity)
            taken.append(url);
    }
    for (const QUrl& url : std::as_const(taken))
        add({url});
    return !taken.isEmpty();
}

void FileShelf::setMessage(const QString& message)
{
    m_message = message;
    emit messageChanged(m_message);
    emit changed();
}

void FileShelf::publishItems()
{
    emit itemsChanged(m_items);
    emit changed();
}
