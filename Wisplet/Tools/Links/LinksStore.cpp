#include "Wisplet/Tools/Links/LinksStore.h"

#include "Wisplet/Base/AppSupport.h"

#include <QJsonDocument>
#include <QStandardPaths>
#include <QUrl>

namespace {

LinksStore* sharedStore = nullptr;

QList<QuickLink> defaultLinks()
{
    QString downloads = QUrl::fromLocalFile(QStandardPaths::writableLocation(QStandardPaths::DownloadLocation))
                            .toString(QUrl::FullyEncoded);
    if (!downloads.endsWith(u'/'))
        downloads += u'/';
    return {
        {QUuid::createUuid(), QStringLiteral("GitHub"), QStringLiteral("https://github.com")},
        {QUuid::createUuid(), QStringLiteral("Downloads"), downloads},
    };
}

StoredList<QuickLink>::Format linksFormat()
{
    return {
        [](const QByteArray& contents, QString& whyNot) {
            whyNot = QStringLiteral("not a list of links");
            return decodeLinks(contents);
        },
        [](const QList<QuickLink>& links) { return QJsonDocument(encodeLinks(links)).toJson(QJsonDocument::Compact); }};
}

QString saveFailed(KeptFile::Trouble, const QString& reason)
{
    return QStringLiteral("Could not save links (%1). The change is kept and saved with the next change or at quit.")
        .arg(reason);
}

} // namespace

LinksStore::LinksStore(const QString& folder, QObject* parent)
    : QObject(parent)
    , m_file(pathIn(folder), maxFileBytes, linksFormat(), {saveFailed, {}})
    , m_links(m_file.load(defaultLinks()))
{ }

LinksStore& LinksStore::shared()
{
    if (!sharedStore)
        sharedStore = new LinksStore(appSupportDirectory());
    return *sharedStore;
}

LinksStore* LinksStore::sharedIfMade()
{
    return sharedStore;
}

QString LinksStore::pathIn(const QString& folder)
{
    return folder + QStringLiteral("/links.json");
}

QString LinksStore::addLink(const QString& title, const QString& url)
{
    const QString address = LinkRules::normalisedAddress(url);
    if (QString refused = LinkRules::refusal(address); !refused.isEmpty())
        return refused;
    QList<QuickLink> links = m_links;
    links.append({QUuid::createUuid(), LinkRules::title(title, address), address});
    setLinks(std::move(links));
    return {};
}

void LinksStore::removeLink(const QUuid& id)
{
    QList<QuickLink> links = m_links;
    links.removeIf([&](const QuickLink& link) { return link.id == id; });
    setLinks(std::move(links));
}

void LinksStore::setLinks(QList<QuickLink> links)
{
    m_links = std::move(links);
    saveAndPublish(true);
}

bool LinksStore::save()
{
    return saveAndPublish(false);
}

bool LinksStore::saveAndPublish(bool listChanged)
{
    const QString said = message();
    const StoredList<QuickLink>::Saved saved = m_file.save(m_links);
    listChanged = listChanged || saved.tookIn;
    const bool newMessage = message() != said;
    if (listChanged)
        emit linksChanged(m_links);
    if (newMessage)
        emit messageChanged(message());
    if (listChanged || newMessage)
        emit changed();
    return saved.ok;
}
