#include "Wisplet/Platform/ICalendarFiles.h"

#include "Wisplet/Platform/Scheduler.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>

namespace {

// A calendar program's colour for a collection folder, as sync tools store it.
QColor folderColor(const QString& folder)
{
    QFile file(folder + QStringLiteral("/color"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString name = QString::fromUtf8(file.read(64)).trimmed();
    if (name.size() == 9 && name.startsWith(u'#'))
        name.truncate(7);
    return QColor::fromString(name);
}

QStringList calendarFilesIn(const QString& folder)
{
    QStringList paths;
    const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*.ics")}, QDir::Files, QDir::Name);
    for (const QFileInfo& file : files)
        paths.append(file.absoluteFilePath());
    return paths;
}

QStringList collectionsIn(const QString& folder)
{
    QStringList folders;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries)
        folders.append(entry.absoluteFilePath());
    return folders;
}

} // namespace

ICalendarFiles::ICalendarFiles(Scheduler& scheduler, QObject* parent)
    : CalendarSource(parent)
    , m_scheduler(scheduler)
{ }

ICalendarFiles::~ICalendarFiles() = default;

void ICalendarFiles::setPath(const QString& path)
{
    m_path = path;
    m_cache.clear();
    if (m_watcher)
        rewatch();
}

CalendarSource::Access ICalendarFiles::access() const
{
    if (m_path.isEmpty())
        return Access::unset;
    const QFileInfo info(m_path);
    if (info.isDir())
        return info.isReadable() && info.isExecutable() ? Access::readable : Access::unreadable;
    if (!info.isFile() || !info.isReadable())
        return Access::unreadable;
    // A single file must at least be iCalendar.
    return load(info.absoluteFilePath()) ? Access::readable : Access::unreadable;
}

QList<ICalendarFiles::Listed> ICalendarFiles::listFiles() const
{
    const QFileInfo info(m_path);
    if (info.isFile())
        return {{info.absoluteFilePath(), {}}};
    QList<Listed> listed;
    const auto addFolder = [&listed](const QString& folder) {
        const QColor color = folderColor(folder);
        for (const QString& path : calendarFilesIn(folder))
            listed.append({path, color});
    };
    addFolder(info.absoluteFilePath());
    for (const QString& folder : collectionsIn(m_path))
        addFolder(folder);
    return listed;
}

const std::optional<ICalendarFile>& ICalendarFiles::load(const QString& path) const
{
    const QFileInfo info(path);
    Entry& entry = m_cache[path];
    if (entry.size == info.size() && entry.modified == info.lastModified() && entry.modified.isValid())
        return entry.file;
    entry.size = info.size();
    entry.modified = info.lastModified();
    entry.file.reset();
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        ++m_parseCount;
        entry.file = ICalendarFile::parse(file.readAll());
    }
    return entry.file;
}

QList<CalendarEvent> ICalendarFiles::events(const QDateTime& from, const QDateTime& to)
{
    if (access() != Access::readable)
        return {};
    QList<CalendarEvent> events;
    QSet<QString> seen;
    for (const Listed& listed : listFiles()) {
        seen.insert(listed.path);
        if (const std::optional<ICalendarFile>& file = load(listed.path))
            events.append(file->occurrences(from, to, listed.color));
    }
    // Files that went away leave the cache.
    m_cache.removeIf([&seen](const auto& entry) { return !seen.contains(entry.key()); });
    return events;
}

void ICalendarFiles::setWatching(bool watching)
{
    if (!watching) {
        delete m_watcher;
        m_watcher = nullptr;
        m_settle.reset();
        return;
    }
    if (m_watcher)
        return;
    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &ICalendarFiles::noteChange);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &ICalendarFiles::noteChange);
    rewatch();
}

// Sync tools replace files by renaming, which only their folder sees; a single file is watched with its
// folder for the same reason.
void ICalendarFiles::rewatch()
{
    const QStringList old = m_watcher->files() + m_watcher->directories();
    if (!old.isEmpty())
        m_watcher->removePaths(old);
    if (m_path.isEmpty())
        return;
    const QFileInfo info(m_path);
    QStringList paths;
    if (info.isDir())
        paths = QStringList{info.absoluteFilePath()} + collectionsIn(m_path);
    else if (info.exists())
        paths = {info.absoluteFilePath(), info.absolutePath()};
    else if (info.absoluteDir().exists())
        paths = {info.absolutePath()};
    if (!paths.isEmpty())
        m_watcher->addPaths(paths);
}

void ICalendarFiles::noteChange()
{
    if (m_settle && m_settle->isPending())
        return;
    m_settle = m_scheduler.callAfter(std::chrono::milliseconds(settleMs), [this] {
        if (m_watcher)
            rewatch();
        emit changed();
    });
}
