#include "Wisplet/Tools/Notes/WispNote.h"

#include "Wisplet/Platform/StoredJson.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString idKey = QStringLiteral("id");
const QString titleKey = QStringLiteral("title");
const QString textKey = QStringLiteral("text");
const QString pinnedKey = QStringLiteral("pinned");
const QString updatedKey = QStringLiteral("updated");

std::optional<WispNote> decodeNote(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const std::optional<QUuid> id = StoredJson::toUuid(object.value(idKey));
    const std::optional<StoredJson::Date> updated = StoredJson::toExactDate(object.value(updatedKey));
    const QJsonValue title = object.value(titleKey);
    const QJsonValue text = object.value(textKey);
    const QJsonValue pinned = object.value(pinnedKey);
    if (!id || !updated || !title.isString() || !text.isString() || !pinned.isBool())
        return std::nullopt;
    return WispNote{*id, title.toString(), text.toString(), pinned.toBool(), *updated};
}

} // namespace

QJsonArray encodeNotes(const QList<WispNote>& notes)
{
    QJsonArray array;
    for (const WispNote& note : notes) {
        array.append(QJsonObject{
            {idKey, StoredJson::fromUuid(note.id)},
            {titleKey, note.title},
            {textKey, note.text},
            {pinnedKey, note.pinned},
            {updatedKey, StoredJson::fromExactDate(note.updated)},
        });
    }
    return array;
}

std::optional<QList<WispNote>> decodeNotes(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QList<WispNote> notes;
    for (const QJsonValue& value : document.array()) {
        std::optional<WispNote> note = decodeNote(value);
        if (!note)
            return std::nullopt;
        notes.append(std::move(*note));
    }
    return notes;
}
