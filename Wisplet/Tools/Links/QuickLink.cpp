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

bool isSchemeCharacter(QChar ch)
{
    return (ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') || (ch >= u'0' && ch <= u'9') || ch == u'+'
        || ch == u'-';
}

// The scheme an address begins with, in lower case; empty when it has none. What stands before the first ":"
// is a host, not a scheme, when it holds a dot or is "localhost" ("example.com:8080", "localhost:3000").
QString schemeOf(const QString& address)
{
    const qsizetype colon = address.indexOf(u':');
    const QStringView name = QStringView(address).first(std::max<qsizetype>(colon, 0));
    if (name.isEmpty() || !name.front().isLetter() || !std::all_of(name.begin(), name.end(), isSchemeCharacter)
        || name.compare(u"localhost", Qt::CaseInsensitive) == 0)
        return {};
    return name.toString().toLower();
}

bool hasAuthority(const QString& address, const QString& scheme)
{
    return QStringView(address).sliced(scheme.size() + 1).startsWith(u"//");
}

// One "@" with something either side, and nothing that makes it a web address with a login or a path.
bool isBareMailAddress(const QString& address)
{
    return address.count(u'@') == 1 && !address.startsWith(u'@') && !address.endsWith(u'@') && !address.contains(u'/')
        && !address.contains(u':');
}

// As the file URL of an absolute path, with a "/" at the end when it names a folder.
QString fileAddress(const QString& path)
{
    QString url = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    if (QFileInfo(path).isDir() && !url.endsWith(u'/'))
        url += u'/';
    return url;
}

QString spacesEncoded(QString text)
{
    return text.replace(u' ', QStringLiteral("%20"));
}

QString notOpenedHere(const QString& scheme)
{
    return QStringLiteral("the links page does not open “%1:” addresses").arg(scheme);
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

QString normalisedAddress(const QString& typed)
{
    const QString address = typed.trimmed();
    if (address.startsWith(u'/'))
        return fileAddress(address);
    const QString scheme = schemeOf(address);
    if (scheme.isEmpty())
        return (isBareMailAddress(address) ? QStringLiteral("mailto:") : QStringLiteral("https://")) + address;
    if (scheme == u"file" && !hasAuthority(address, scheme)) {
        const QString path = QUrl(address).toLocalFile();
        return path.startsWith(u'/') ? fileAddress(path) : address;
    }
    if (scheme == u"tel")
        return spacesEncoded(address);
    if (scheme == u"mailto" && address.contains(u'?')) {
        const qsizetype query = address.indexOf(u'?');
        return address.first(query) + spacesEncoded(address.sliced(query));
    }
    return address;
}

QString refusal(const QString& address)
{
    if (std::any_of(address.cbegin(), address.cend(), [](QChar ch) { return ch.category() == QChar::Other_Control; }))
        return QStringLiteral("the address holds a line break, tab or other control character");
    const QString notValid = QStringLiteral("the address is not a valid URL");
    const QString scheme = schemeOf(address);
    if (scheme.isEmpty())
        return notValid;
    // A script runs in whatever page is in front, however it is written.
    if (scheme == u"javascript" || scheme == u"data")
        return notOpenedHere(scheme);
    const bool web = scheme == u"http" || scheme == u"https";
    if (scheme != u"mailto" && scheme != u"tel" && !hasAuthority(address, scheme))
        return web || scheme == u"file" ? notValid : notOpenedHere(scheme);
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || (web && url.host().isEmpty()))
        return notValid;
    if (std::max(address.size(), url.toEncoded().size()) > maxAddressLength)
        return QStringLiteral("the address is longer than %1 characters").arg(QLocale().toString(maxAddressLength));
    return {};
}

QString title(const QString& typedTitle, const QString& address)
{
    const QString title = typedTitle.trimmed();
    if (!title.isEmpty())
        return title;
    const QString host = ShownAddress::host(QUrl(address));
    return host.isEmpty() ? address : host;
}

QString shownTitle(const QuickLink& link)
{
    const QUrl url(link.url);
    const QString title = link.title.trimmed();
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
    // What refusal passes has a scheme, so the text handed on starts with a letter: never an option.
    if (normalisedAddress(address) != address)
        return QStringLiteral("the address is not a web, mail or phone address or a file URL");
    return {};
}

bool isFileAddress(const QString& address)
{
    return address.startsWith(QStringLiteral("file:"));
}

} // namespace LinkRules
