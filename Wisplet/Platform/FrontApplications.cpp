#include "Wisplet/Platform/FrontApplications.h"

#include <QFile>
#include <QLocale>
#include <QStandardPaths>

FrontApplications::FrontApplications(ActiveWindowSource& windows, qint64 ownPid, QObject* parent)
    : QObject(parent)
    , m_windows(windows)
    , m_ownPid(ownPid)
{
    connect(&m_windows, &ActiveWindowSource::activeWindowChanged, this, &FrontApplications::activeChanged);
    connect(&m_windows, &ActiveWindowSource::windowUnlisted, this, &FrontApplications::unlisted);
    activeChanged();
}

void FrontApplications::activeChanged()
{
    const std::optional<WindowInfo> window = m_windows.activeWindow();
    if (window && !isOurs(*window) && !window->desktopElement)
        m_lastOther = window;
    // Described now: a window withdrawn after a copy can no longer be read when the copy is looked at.
    remember({m_changes.isEmpty() ? std::nullopt : m_windows.lastChangeTime(), window});
}

void FrontApplications::unlisted(quint32 window, std::optional<quint32> time)
{
    const std::optional<WindowInfo>& front = m_changes.last().window;
    if (front && front->id == window)
        remember({time, std::nullopt});
}

void FrontApplications::remember(const Change& change)
{
    m_changes.append(change);
    if (m_changes.size() > rememberedChanges)
        m_changes.removeFirst();
}

std::optional<WindowInfo> FrontApplications::frontAt(std::optional<quint32> time) const
{
    if (!time)
        return front();
    // X times wrap around after 49 days: what matters is which comes first.
    const auto notAfter = [&](const Change& change) { return !change.time || qint32(*time - *change.time) >= 0; };
    const auto found = std::find_if(m_changes.crbegin(), m_changes.crend(), notAfter);
    // Older than every change remembered: the earliest one known is the best guess.
    return found != m_changes.crend() ? found->window : m_changes.first().window;
}

QSet<QString> FrontApplications::idsOf(const WindowInfo& window)
{
    QSet<QString> ids;
    for (const QString& id : {window.appId, window.wmClass}) {
        if (!id.isEmpty())
            ids.insert(id);
    }
    return ids;
}

QString FrontApplications::applicationName(const WindowInfo& window) const
{
    if (!window.appId.isEmpty() && !m_names.contains(window.appId)) {
        const QString path = window.appId.contains(u'/')
            ? QString()
            : QStandardPaths::locate(QStandardPaths::ApplicationsLocation, window.appId + QLatin1String(".desktop"));
        QFile file(path);
        const QByteArray contents = !path.isEmpty() && file.open(QIODevice::ReadOnly) ? file.read(64 * 1024) : "";
        m_names.insert(window.appId, desktopEntryName(contents, QLocale().name()));
    }
    const QString name = m_names.value(window.appId);
    return name.isEmpty() ? window.wmClass : name;
}

QString FrontApplications::desktopEntryName(const QByteArray& contents, const QString& language)
{
    const QString shortLanguage = language.section(u'_', 0, 0);
    const QStringList keys{QStringLiteral("Name[%1]").arg(language), QStringLiteral("Name[%1]").arg(shortLanguage),
                           QStringLiteral("Name")};
    QHash<QString, QString> found;
    bool inMainGroup = false;
    for (const QByteArray& raw : contents.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(u'[')) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inMainGroup || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        if (keys.contains(key) && !found.contains(key))
            found.insert(key, line.mid(equals + 1).trimmed());
    }
    for (const QString& key : keys) {
        if (!found.value(key).isEmpty())
            return found.value(key);
    }
    return {};
}
