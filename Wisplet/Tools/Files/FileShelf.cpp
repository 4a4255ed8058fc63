#include "Wisplet/Tools/Files/FileShelf.h"

#include "Wisplet/Base/AppSupport.h"
#include "Wisplet/Base/OutsideText.h"
#include "Wisplet/Base/PathName.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

std::optional<QList<ShelfItem>> decode(const QByteArray& data, QString& whyNot)
{
    whyNot = QStringLiteral("damaged");
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

QByteArray encode(const QList<ShelfItem>& items)
{
    QJsonArray array;
    for (const ShelfItem& item : items)
        array.append(item.toJson());
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

QString saveFailed(KeptFile::Trouble, const QString&)
{
    return FileShelf::tr("Could not save shelf references.");
}

} // namespace

FileShelf& FileShelf::shared()
{
    static auto* shelf = new FileShelf(appSupportDirectory());
    return *shelf;
}

FileShelf::FileShelf(const QString& folder, QObject* parent)
    : QObject(parent)
    , m_file(folder + QStringLiteral("/shelf.json"), fileLimit, {decode, encode}, {saveFailed, {}})
    , m_items(m_file.load({}))
    , m_message(m_file.message())
{ }

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
            setMessage(tr("Could not add %1: %2").arg(OutsideText::fileName(name), reason));
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
    const QString said = m_file.message();
    const StoredList<ShelfItem>::Saved saved = m_file.save(m_items);
    if (saved.tookIn)
        publishItems();
    if (const std::optional<QString> line = KeptFile::pageLine(m_message, said, m_file.message()))
        setMessage(*line);
    return saved.ok;
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
