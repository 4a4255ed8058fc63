#include "Wisplet/Tools/Links/LinksStore.h"

#include "Wisplet/Base/AppSupport.h"
#include "Wisplet/Platform/PrivateFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QUrl>

namespace {

const QString linksFileName = QStringLiteral("links.json");

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

} // namespace

LinksStore::LinksStore(const QString& folder, QObject* parent)
    : QObject(parent)
    , m_folder(folder)
{
    QFile file(linksPath());
    std::optional<QList<QuickLink>> stored;
    if (file.open(QIODevice::ReadOnly))
        stored = decodeLinks(file.readAll());
    m_setAsideFirst = !stored && QFileInfo::exists(linksPath());
    m_links = stored.value_or(defaultLinks());
}

LinksStore& LinksStore::shared()
{
    static auto* store = new LinksStore(appSupportDirectory());
    return *store;
}

QString LinksStore::linksPath() const
{
    return m_folder + u'/' + linksFileName;
}

void LinksStore::addLink(const QString& title, const QString& url)
{
    const QString address = LinkRules::normalisedAddress(url);
    QList<QuickLink> links = m_links;
    links.append({QUuid::createUuid(), LinkRules::title(title, address), address});
    setLinks(std::move(links));
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
    save();
    emit linksChanged(m_links);
    emit changed();
}

// A failed write is not reported: the list stays in memory and the next change writes it whole.
void LinksStore::save()
{
    if (m_setAsideFirst) {
        if (PrivateFiles::setAside(linksPath()).isEmpty())
            return;
        m_setAsideFirst = false;
    }
    PrivateFiles::writeAtomically(linksPath(), QJsonDocument(encodeLinks(m_links)).toJson(QJsonDocument::Compact));
}
