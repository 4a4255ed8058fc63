#include "Wisplet/Platform/Calendar/ICalendarFiles.h"

#include "Wisplet/Platform/Calendar/ICalendarFile.h"
#include "Wisplet/Platform/Calendar/ICalendarFolder.h"
#include "Wisplet/Platform/Calendar/ICalendarJob.h"
#include "Wisplet/Platform/Scheduler.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLocale>

using namespace ICalendarWire;

// One reading: the files a reader sends are kept as they come, so that a fresh reader after a lost one is
// told about them and passes them over.
class ICalendarFiles::Run final : public ICalendarJob<CalendarReading>
{
public:
    Run(ICalendarFiles& files, QDateTime after, QDateTime to, EarlyReading early)
        : ICalendarJob(files.m_reader, {}, &files.m_runs)
        , m_files(files)
        , m_after(std::move(after))
        , m_to(std::move(to))
        , m_early(std::move(early))
    { }

private:
    QByteArray request(const QList<Reading>& elsewhere) override
    {
        CalendarRequest request{m_files.m_path, m_after, m_to, m_files.m_limits, {}};
        for (const Reading& file : elsewhere)
            request.known.append(Known{file.name, file.stamp, {}, 0, true});
        const auto add = [&request](const QString& path, const File& file) {
            request.known.append(Known{path, file.stamp, file.color, qint32(file.events.size()), file.trouble});
        };
        for (auto it = m_kept.cbegin(); it != m_kept.cend(); ++it)
            add(it.key(), *it);
        // Events kept for an earlier `after` hold every one that ends after a later one.
        for (auto it = m_files.m_files.cbegin(); it != m_files.m_files.cend(); ++it) {
            if (!m_kept.contains(it.key()) && it->stamp.exists
                && (it->trouble || (it->to == m_to && it->after <= m_after)))
                add(it.key(), *it);
        }
        return requestOf(m_files.m_reader.headerFor(Job::calendar), request);
    }

    void take(const Frame& frame) override
    {
        if (const std::optional<Unchanged> same = valueOf<Unchanged>(frame)) {
            // A file another reader is on is passed over too: what that reader says of it counts.
            const auto known = m_files.m_files.constFind(same->name);
            if (!m_kept.contains(same->name) && known != m_files.m_files.cend())
                m_kept.insert(same->name, *known);
        } else if (std::optional<CalendarFile> file = valueOf<CalendarFile>(frame)) {
            m_files.m_parses += file->parsed ? 1 : 0;
            m_files.m_expansions += file->expanded ? 1 : 0;
            m_kept.insert(file->path,
                          File{file->stamp, file->color, m_to, m_after, std::move(file->events), file->cut,
                               file->crowded, file->problem});
        } else if (const std::optional<CalendarDone> done = valueOf<CalendarDone>(frame)) {
            m_moreFiles = done->moreFiles;
            m_cut = m_cut || done->cut;
            m_listed = true;
        }
    }

    void lose(const Reading& file, ICalendarReader::Loss loss) override
    {
        File lost;
        lost.stamp = file.stamp;
        lost.problem = ICalendarReader::reason(loss);
        lost.trouble = loss != ICalendarReader::Loss::killed;
        lost.overran = loss == ICalendarReader::Loss::tooLong;
        m_kept.insert(file.name, lost);
    }

    void heldBySlowFiles() override
    {
        if (!m_early)
            return;
        CalendarReading reading;
        // Files no reader has reached yet count as they were at the last reading.
        keptEvents(reading.events, !m_listed);
        // Only one that differs from the last hand-over, or from nothing.
        if (reading.events == m_handedOver)
            return;
        m_handedOver = reading.events;
        // Not from inside the reader's own calls: whoever takes it may stop the reading.
        QMetaObject::invokeMethod(
            this, [this, reading = std::move(reading)] { m_early(reading); }, Qt::QueuedConnection);
    }

    // The events kept so far that end after the window's start, with those of the files not reached from the
    // last reading if asked, the earliest within the limit; true when that left some out.
    bool keptEvents(QList<CalendarEvent>& events, bool withUnreached = false) const
    {
        const auto add = [this, &events](const File& file) {
            for (const CalendarEvent& event : file.events) {
                if (event.end > m_after)
                    events.append(event);
            }
        };
        for (const File& file : m_kept)
            add(file);
        for (auto it = m_files.m_files.cbegin(); withUnreached && it != m_files.m_files.cend(); ++it) {
            if (!m_kept.contains(it.key()))
                add(*it);
        }
        return ICalendarFile::keepEarliest(events, m_files.m_limits.maxEvents);
    }

    CalendarReading resultOf(ICalendarReader::Ending ending, ICalendarReader::Loss loss) override
    {
        // Files that went away leave the cache; files no reader reached are read at a later refresh.
        m_files.m_files = m_kept;
        CalendarReading reading;
        ICalendarFolder::Skipped skipped;
        bool crowded = false;
        for (auto it = m_kept.cbegin(); it != m_kept.cend(); ++it) {
            if (!it->problem.isEmpty())
                skipped.add(QFileInfo(it.key()).fileName(), it->problem, it->overran);
            m_cut = m_cut || it->cut;
            crowded = crowded || it->crowded;
        }
        crowded = keptEvents(reading.events) || crowded;
        if (ending == ICalendarReader::Ending::broken) {
            reading.message = tr("Can't read the calendar: %1.").arg(ICalendarReader::reason(loss));
            return reading;
        }
        if (!QFileInfo(m_files.m_path).isDir() && !skipped.isEmpty()) {
            reading.unreadable = true;
            reading.message = tr("Can't read the calendar: %1.").arg(skipped.lastReason());
            return reading;
        }
        QStringList notes;
        if (m_moreFiles)
            notes.append(ICalendarFolder::counted(m_files.m_limits.maxFiles,
                                                  tr("Only the first calendar file is read."),
                                                  tr("Only the first %1 calendar files are read.")));
        notes.append(skipped.note(tr("Skipped %1 calendar files that can't be read."),
                                  tr("Skipped %1 calendar files: they took too long to read.")));
        if (m_cut)
            notes.append(
                tr("Some events are left out: the calendar is too large or repeats too often to read at once."));
        if (crowded)
            notes.append(ICalendarFolder::counted(m_files.m_limits.maxEvents, tr("Only the first event is shown."),
                                                  tr("Only the first %1 events are shown.")));
        notes.removeAll(QString());
        reading.message = notes.join(u' ');
        return reading;
    }

    ICalendarFiles& m_files;
    const QDateTime m_after;
    const QDateTime m_to;
    const EarlyReading m_early;
    QHash<QString, File> m_kept;
    bool m_moreFiles = false;
    bool m_cut = false;
    // The reader went through the whole listing.
    bool m_listed = false;
    QList<CalendarEvent> m_handedOver;
};

ICalendarFiles::ICalendarFiles(Scheduler& scheduler, ICalendarReader::Limits reader,
                               ICalendarWire::CalendarLimits limits, QObject* parent)
    : CalendarSource(parent)
    , m_scheduler(scheduler)
    , m_reader(std::move(reader))
    , m_limits(limits)
{ }

ICalendarFiles::~ICalendarFiles() = default;

void ICalendarFiles::setPath(const QString& path)
{
    cancel();
    m_path = path;
    m_files.clear();
    m_parses = 0;
    m_expansions = 0;
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

QFuture<CalendarReading> ICalendarFiles::read(const QDateTime& after, const QDateTime& to, EarlyReading early)
{
    return (new Run(*this, after, to, std::move(early)))->start();
}

void ICalendarFiles::cancel()
{
    qDeleteAll(m_runs.children());
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
