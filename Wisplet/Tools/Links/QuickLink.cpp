#include "Wisplet/Tools/Links/QuickLink.h"

#include "Wisplet/Platform/StoredJson.h"
#include "Wisplet/Tools/Links/ShownAddress.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QUrl>

#include <algorithm>

namespace {

const QString idKey = QStringLiteral("id");
const QString titleKey = QStringLiteral("title");
const QString urlKey = QStringLiteral("url");

bool isBlank(QChar ch)
{
    return ch == u'\t' || ch.category() == QChar::Separator_Space;
}

// Kept as typed: their handlers are the desktop's mail and phone programs, and they have no "//".
bool isMailOrPhone(const QString& address)
{
    return address.startsWith(QStringLiteral("mailto:"), Qt::CaseInsensitive)
        || address.startsWith(QStringLiteral("tel:"), Qt::CaseInsensitive);
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
    if (!address.contains(QStringLiteral("://")) && !isMailOrPhone(address))
        address.prepend(QStringLiteral("https://"));
    return address;
}

QString refusal(const QString& address)
{
    if (std::any_of(address.cbegin(), address.cend(), [](QChar ch) { return ch.category() == QChar::Other_Control; }))
        return QStringLiteral("the address holds a line break, tab or other control character");
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid())
        return QStringLiteral("the address is not a valid URL");
    if (std::max(address.size(), url.toEncoded().size()) > maxAddressLength)
        return QStringLiteral("the address is longer than %1 characters").arg(QLocale().toString(maxAddressLength));
    return {};
}

QString title(const QString& typedTitle, const QString& address)
{
    const QString title = trimmed(typedTitle);
    if (!title.isEmpty())
        return title;
    const QString host = ShownAddress::host(QUrl(address));
    return host.isEmpty() ? address : host;
}

QString shownTitle(const QuickLink& link)
{
    const QUrl url(link.url);
    const QString title = trimmed(link.title);
    const QString asciiHost = url.host(QUrl::FullyEncoded);
    const bool fromAddress = title.isEmpty() || title == link.url
        || (!asciiHost.isEmpty() && QString::fromLatin1(QUrl::toAce(title)) == asciiHost);
    if (!fromAddress)
        return link.title;
    const QString host = ShownAddress::host(url);
    return host.isEmpty() ? ShownAddress::text(link.url) : host;
}

QString whyNotOpened(const QString& address)
{
    if (const QString refused = refusal(address); !refused.isEmpty())
        return refused;
    // With a scheme, the text handed on starts with a letter: never an option, never a relative path.
    if (normalisedAddress(address) != address || QUrl(address, QUrl::StrictMode).isRelative())
        return QStringLiteral("the address is not a web, mail or phone address or a file URL");
    return {};
}

bool isFileAddress(const QString& address)
{
    return address.startsWith(QStringLiteral("file:"));
}

} // namespace LinkRules
