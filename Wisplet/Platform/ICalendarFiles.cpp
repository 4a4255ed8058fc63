#include "Wisplet/Platform/ICalendarFiles.h"

#include "Wisplet/Platform/ICalendarFolder.h"
#include "Wisplet/Platform/Scheduler.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QtConcurrent/QtConcurrentRun>

ICalendarFiles::ICalendarFiles(Scheduler& scheduler, ICalendarScan::Limits limits, QObject* parent)
    : CalendarSource(parent)
    , m_scheduler(scheduler)
    , m_limits(limits)
{ }

ICalendarFiles::~ICalendarFiles() = default;

void ICalendarFiles::setPath(const QString& path)
{
    m_path = path;
    m_cache = std::make_shared<ICalendarScan::Cache>();
    if (m_watcher)
        rewatch();
}

CalendarSource::Access ICalendarFiles::access() const
{
    if (m_path.isEmpty())
        return Access::unset;
    return problem().isEmpty() ? Access::readable : Access::unreadable;
}

QString ICalendarFiles::problem() const
{
    if (m_path.isEmpty())
        return {};
    const QFileInfo info(m_path);
    QString why;
    if (!info.exists())
        why = tr("it is gone");
    else if (info.isDir() && !(info.isReadable() && info.isExecutable()))
        why = tr("the folder can't be read");
    else if (!info.isDir() && !info.isFile())
        why = tr("not a regular file");
    else if (!info.isReadable())
        why = tr("the file can't be read");
    return why.isEmpty() ? QString() : tr("Can't read the calendar: %1.").arg(why);
}

QFuture<CalendarReading> ICalendarFiles::read(const QDateTime& after, const QDateTime& to)
{
    return QtConcurrent::run([cache = m_cache, path = m_path, after, to, limits = m_limits] {
        return ICalendarScan::read(path, after, to, *cache, limits);
    });
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
        paths = QStringList{info.absoluteFilePath()}
            + ICalendarFolder::subfolders(info.absoluteFilePath(), m_limits.maxFolders).paths;
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
