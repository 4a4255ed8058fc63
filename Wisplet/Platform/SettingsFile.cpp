#include "Wisplet/Platform/SettingsFile.h"

#include "Wisplet/Platform/StoredJson.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString dateTag = QStringLiteral("$date");
const QString dataTag = QStringLiteral("$data");

QJsonValue encode(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::LongLong:
        return value.toLongLong();
    case QMetaType::Double:
        return value.toDouble();
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QDateTime:
        return QJsonObject{{dateTag, StoredJson::fromDate(value.toDateTime())}};
    case QMetaType::QByteArray:
        return QJsonObject{{dataTag, StoredJson::fromData(value.toByteArray())}};
    case QMetaType::QVariantList: {
        QJsonArray array;
        for (const QVariant& item : value.toList())
            array.append(encode(item));
        return array;
    }
    case QMetaType::QVariantMap: {
        QJsonObject object;
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            object.insert(it.key(), encode(it.value()));
        return object;
    }
    default:
        return QJsonValue::Null;
    }
}

QVariant decode(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Bool:
        return value.toBool();
    case QJsonValue::Double: {
        // Integers written as integers come back as integers.
        const QVariant number = value.toVariant();
        return number.typeId() == QMetaType::LongLong ? number : QVariant(value.toDouble());
    }
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Array: {
        QVariantList list;
        for (const QJsonValue& item : value.toArray())
            list.append(decode(item));
        return list;
    }
    case QJsonValue::Object: {
        const QJsonObject object = value.toObject();
        if (object.size() == 1) {
            if (const auto date = StoredJson::toDate(object.value(dateTag)))
                return *date;
            if (const auto data = StoredJson::toData(object.value(dataTag)))
                return *data;
        }
        QVariantMap map;
        for (auto it = object.constBegin(); it != object.constEnd(); ++it)
            map.insert(it.key(), decode(it.value()));
        return map;
    }
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        break;
    }
    return {};
}

// The value as the file spells it.
QByteArray spelling(const QVariant& value)
{
    return QJsonDocument(QJsonArray{encode(value)}).toJson(QJsonDocument::Compact);
}

} // namespace

SettingsFile::SettingsFile(const QString& path, qint64 maxBytes)
    : m_file(path, maxBytes)
{ }

SettingsFile::Contents SettingsFile::read()
{
    using PrivateFiles::FileRead;
    const FileRead found = m_file.read();
    switch (found.outcome) {
    case FileRead::Outcome::absent:
        return {};
    case FileRead::Outcome::inaccessible:
        return {Contents::Outcome::inaccessible, {}, found.reason};
    case FileRead::Outcome::unsuitable:
        return {
            QFileInfo(path()).isFile() ? Contents::Outcome::unreadable : Contents::Outcome::notAFile, {}, found.reason};
    case FileRead::Outcome::read:
        break;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(found.contents, &error);
    if (error.error != QJsonParseError::NoError)
        return {Contents::Outcome::unreadable, {}, error.errorString()};
    if (!document.isObject())
        return {Contents::Outcome::unreadable, {}, QStringLiteral("not a JSON object")};
    Contents contents{Contents::Outcome::read, {}, {}};
    const QJsonObject object = document.object();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        const QVariant value = decode(it.value());
        if (value.isValid())
            contents.values.insert(it.key(), value);
    }
    return contents;
}

bool SettingsFile::write(const QVariantMap& values, QString* errorString)
{
    QJsonObject object;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        object.insert(it.key(), encode(it.value()));
    const QJsonDocument document(object);
    QByteArray data = document.toJson(QJsonDocument::Indented);
    // Indenting a long list can add half again to a file that was just within the limit.
    if (data.size() > m_file.maxBytes())
        data = document.toJson(QJsonDocument::Compact);
    return m_file.write(data, errorString);
}

bool SettingsFile::writtenAlike(const QVariant& a, const QVariant& b)
{
    if (!a.isValid() || !b.isValid())
        return a.isValid() == b.isValid();
    return spelling(a) == spelling(b);
}
