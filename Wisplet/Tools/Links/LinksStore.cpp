#include "Wisplet/Tools/Links/LinksStore.h"

#include "Wisplet/Base/AppSupport.h"
#include "Wisplet/Base/UnreadableFile.h"
#include "Wisplet/Platform/PrivateFiles.h"

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
    const PrivateFiles::FileRead found = PrivateFiles::readRegularFile(linksPath(), maxFileBytes);
    using Outcome = PrivateFiles::FileRead::Outcome;
    const std::optional<QList<QuickLink>> stored =
        found.outcome == Outcome::read ? decodeLinks(found.contents) : std::nullopt;
    m_links = stored.value_or(defaultLinks());
    if (!stored && found.outcome != Outcome::absent)
        setAsideUnreadable(found.reason.isEmpty() ? QStringLiteral("not a list of links") : found.reason);
}

LinksStore& LinksStore::shared()
{
    static auto* store = new LinksStore(appSupportDirectory());
    return *store;
}

// Moved out of the way at once, so that the page can say where the user's links went; when that fails,
// every save tries again first and writes nothing until it succeeds.
void LinksStore::setAsideUnreadable(const QString& reason)
{
    const UnreadableFile::SetAside aside = UnreadableFile::setAside(linksPath(), reason);
    m_setAsideFirst = aside.path.isEmpty();
    m_unreadableReason = reason;
    m_message = aside.notice;
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
        const QString setAsidePath = PrivateFiles::setAside(linksPath());
        if (setAsidePath.isEmpty())
            return;
        m_setAsideFirst = false;
        m_message = UnreadableFile::notice(linksPath(), m_unreadableReason, setAsidePath);
        emit messageChanged(m_message);
    }
    PrivateFiles::writeAtomically(linksPath(), QJsonDocument(encodeLinks(m_links)).toJson(QJsonDocument::Compact));
}
