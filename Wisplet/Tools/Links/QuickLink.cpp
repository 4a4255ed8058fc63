#include "Wisplet/Tools/Links/QuickLink.h"

#include "Wisplet/Platform/StoredJson.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace {

const QString idKey = QStringLiteral("id");
const QString titleKey = QStringLiteral("title");
const QString urlKey = QStringLiteral("url");

bool isBlank(QChar ch)
{
    return ch == u'\t' || ch.category() == QChar::Separator_Space;
}

} // namespace

QJsonArray encodeLinks(const QList<QuickLink>& links)
{
    QJsonArray array;
    for (const QuickLink& link : links)
        array.append(QJsonObject{{idKey, StoredJson::fromUuid(link.id)}, {titleKey, link.title}, {urlKey, link.url}});
    return array;
}

std::optional<QList<QuickLink>> decodeLinks(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QList<QuickLink> links;
    for (const QJsonValue& value : document.array()) {
        const QJsonObject object = value.toObject();
        const std::optional<QUuid> id = StoredJson::toUuid(object.value(idKey));
        const QJsonValue title = object.value(titleKey);
        const QJsonValue url = object.value(urlKey);
        if (!value.isObject() || !id || !title.isString() || !url.isString())
            return std::nullopt;
        links.append({*id, title.toString(), url.toString()});
    }
    return links;
}

namespace LinkRules {

QString trimmed(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isBlank(text[start]))
        ++start;
    while (end > start && isBlank(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

QString normalisedAddress(const QString& typed)
{
    QString address = trimmed(typed);
    if (address.startsWith(u'/')) {
        QString url = QUrl::fromLocalFile(address).toString(QUrl::FullyEncoded);
        if (QFileInfo(address).isDir() && !url.endsWith(u'/'))
            url += u'/';
        return url;
    }
    if (!address.contains(QStringLiteral("://")))
        address.prepend(QStringLiteral("https://"));
    return address;
}

QString title(const QString& typedTitle, const QString& address)
{
    const QString title = trimmed(typedTitle);
    if (!title.isEmpty())
        return title;
    const QUrl url(address);
    return url.isValid() && !url.host().isEmpty() ? url.host() : address;
}

bool mayOpen(const QString& address)
{
    if (normalisedAddress(address) != address)
        return false;
    // With a scheme, the text handed on starts with a letter: never an option, never a relative path.
    return !QUrl(address, QUrl::StrictMode).isRelative();
}

bool isFileAddress(const QString& address)
{
    return address.startsWith(QStringLiteral("file:"));
}

} // namespace LinkRules
