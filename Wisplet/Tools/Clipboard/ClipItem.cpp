#include "Wisplet/Tools/Clipboard/ClipItem.h"

#include "Wisplet/Base/Graphemes.h"
#include "Wisplet/Base/OutsideText.h"
#include "Wisplet/Base/PathName.h"
#include "Wisplet/Base/RawValue.h"
#include "Wisplet/Platform/StoredJson.h"

#include <QJsonDocument>

namespace {

constexpr std::array<const char*, 4> kindNames{"text", "link", "image", "file"};
constexpr int titleCharacters = 300;

std::optional<QString> optionalString(const QJsonObject& object, const QString& key, bool& ok)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        return std::nullopt;
    ok = ok && value.isString();
    return value.toString();
}

} // namespace

QString ClipItem::kindName(Kind kind)
{
    return rawValue(kindNames, kind);
}

std::optional<ClipItem::Kind> ClipItem::kindFromName(const QString& name)
{
    return fromRawValue<Kind>(kindNames, name);
}

QString ClipItem::displayTitle() const
{
    if (kind != Kind::file) {
        const QString title = Graphemes::leading(text, titleCharacters);
        // Lines joined by our mark: each in an isolate of its own, so one line's override cannot run on over
        // the mark and the next. A single line stands alone in its label, as an event's title does.
        if (!title.contains(u'\n'))
            return title;
        return OutsideText::isolated(title).replace(u'\n', QStringLiteral(" \u23CE "));
    }
    const QStringList pieces = text.split(u'\n', Qt::SkipEmptyParts);
    QStringList names;
    for (const QString& piece : pieces)
        names.append(OutsideText::fileName(lastPathComponent(piece)));
    if (names.size() == 1)
        return names.first();
    return QString::number(names.size()) + QLatin1String(" files: ") + names.join(QLatin1String(", "));
}

QJsonObject ClipItem::toJson() const
{
    QJsonObject object{{QStringLiteral("id"), StoredJson::fromUuid(id)},
                       {QStringLiteral("kind"), kindName(kind)},
                       {QStringLiteral("text"), text},
                       {QStringLiteral("date"), StoredJson::fromDate(date)},
                       {QStringLiteral("pinned"), pinned}};
    if (imageFile)
        object.insert(QStringLiteral("imageFile"), *imageFile);
    if (payloadType)
        object.insert(QStringLiteral("payloadType"), *payloadType);
    if (thumbnailFile)
        object.insert(QStringLiteral("thumbnailFile"), *thumbnailFile);
    if (filePaths)
        object.insert(QStringLiteral("filePaths"), QJsonArray::fromStringList(*filePaths));
    if (app)
        object.insert(QStringLiteral("app"), *app);
    return object;
}

std::optional<ClipItem> ClipItem::fromJson(const QJsonObject& object)
{
    const std::optional<QUuid> id = StoredJson::toUuid(object.value(QStringLiteral("id")));
    const std::optional<Kind> kind = kindFromName(object.value(QStringLiteral("kind")).toString());
    const QJsonValue text = object.value(QStringLiteral("text"));
    const std::optional<QDateTime> date = StoredJson::toDate(object.value(QStringLiteral("date")));
    const QJsonValue pinned = object.value(QStringLiteral("pinned"));
    if (!id || !kind || !text.isString() || !date || !pinned.isBool())
        return std::nullopt;

    bool ok = true;
    ClipItem item{*id,
                  *kind,
                  text.toString(),
                  optionalString(object, QStringLiteral("imageFile"), ok),
                  *date,
                  optionalString(object, QStringLiteral("payloadType"), ok),
                  optionalString(object, QStringLiteral("thumbnailFile"), ok),
                  std::nullopt,
                  pinned.toBool(),
                  optionalString(object, QStringLiteral("app"), ok)};
    const QJsonValue paths = object.value(QStringLiteral("filePaths"));
    if (!paths.isUndefined()) {
        QStringList list;
        for (const QJsonValue& path : paths.toArray()) {
            ok = ok && path.isString();
            list.append(path.toString());
        }
        ok = ok && paths.isArray();
        item.filePaths = list;
    }
    return ok ? std::optional(item) : std::nullopt;
}

QJsonArray clipItemsToJson(const QList<ClipItem>& items)
{
    QJsonArray array;
    for (const ClipItem& item : items)
        array.append(item.toJson());
    return array;
}

std::optional<QList<ClipItem>> clipItemsFromJson(const QByteArray& json)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QList<ClipItem> items;
    for (const QJsonValue& value : document.array()) {
        const std::optional<ClipItem> item = value.isObject() ? ClipItem::fromJson(value.toObject()) : std::nullopt;
        if (!item)
            return std::nullopt;
        items.append(*item);
    }
    return items;
}
