#include "Wisplet/Platform/Calendar/ICalendarFiles.h"

#include "Wisplet/Platform/Calendar/ICalendarFile.h"
#include "Wisplet/Platform/Calendar/ICalendarFolder.h"
#include "Wisplet/Platform/Calendar/ICalendarJob.h"
#include "Wisplet/Platform/Scheduler.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLocale>

#include <algorithm>

using namespace ICalendarWire;

// One reader at work: the short reading of every file of the path, or the long reading of the files that
// outgrew their slice. What it reads goes straight into the files' cache.
class ICalendarFiles::Run final : public ICalendarJob<CalendarReading>
{
public:
    Run(ICalendarFiles& files, QDateTime after, QDateTime to, QStringList slow)
        : ICalendarJob(files.m_reader, {}, slow.isEmpty() ? &files.m_runs : &files.m_longRun)
        , m_files(files)
        , m_after(std::move(after))
        , m_to(std::move(to))
        , m_slow(std::move(slow))
    { }

private:
    bool isLong() const { return !m_slow.isEmpty(); }

    QByteArray request(const QList<Reading>&) override
    {
        const ICalendarReader::Limits& limits = m_files.m_reader;
        CalendarRequest request{m_files.m_path,    m_after,           m_to, m_files.m_limits, {}, m_slow,
                                limits.sliceCpuMs, limits.sliceWallMs};
        if (isLong()) {
            request.fileCpuMs = limits.cpuSecondsPerFile * 1000;
            // Within the program's own deadline for a frame.
            request.fileWallMs = limits.fileMs / 2;
        } else {
            request.known = m_files.knownFor(m_after, m_to);
        }
        return requestOf(limits.headerFor(Job::calendar), request);
    }

    void take(const Frame& frame) override
    {
        if (const std::optional<Unchanged> same = valueOf<Unchanged>(frame)) {
            m_listed.insert(same->name);
        } else if (std::optional<CalendarFile> file = valueOf<CalendarFile>(frame)) {
            m_listed.insert(file->path);
            takeFile(std::move(*file));
        } else if (const std::optional<CalendarDone> done = valueOf<CalendarDone>(frame)) {
            m_moreFiles = done->moreFiles;
            m_wholeListing = true;
        }
    }

    void takeFile(CalendarFile file)
    {
        m_files.m_parses += file.parsed ? 1 : 0;
        m_files.m_expansions += file.expanded ? 1 : 0;
        const bool outgrew = file.loss == FileLoss::tooLong || file.loss == FileLoss::killed;
        if (!isLong() && outgrew) {
            m_files.m_files.remove(file.path);
            m_files.m_slow.insert(file.path, file.stamp);
            return;
        }
        File kept{file.stamp, file.color, m_to, m_after, std::move(file.events), file.beyond, file.cut, file.problem};
        if (file.loss != FileLoss::none) {
            kept.problem = ICalendarReader::reason(file.loss == FileLoss::tooLong ? ICalendarReader::Loss::tooLong
                                                                                  : ICalendarReader::Loss::failed);
            kept.trouble = file.loss != FileLoss::killed;
            // One killed from outside fits no window: it is read afresh at the next reading, which the kill does
            // not call for, so that a file the out-of-memory killer ends is not read again and again at once.
            if (!kept.trouble)
                kept.to = {};
            kept.overran = file.loss == FileLoss::tooLong;
        }
        const bool tell = isLong() && kept.to.isValid();
        m_files.m_slow.remove(file.path);
        m_files.keep(file.path, std::move(kept));
        if (tell) {
            // Not from inside the reader's own calls: whoever hears it reads again.
            QMetaObject::invokeMethod(&m_files, &ICalendarFiles::changed, Qt::QueuedConnection);
        }
    }

    CalendarReading resultOf(ICalendarReader::Ending ending, ICalendarReader::Loss loss) override
    {
        if (!isLong() && m_wholeListing) {
            // Files that went away leave.
            m_files.m_files.removeIf(
                [this](QHash<QString, File>::iterator it) { return !m_listed.contains(it.key()); });
            m_files.m_slow.removeIf(
                [this](QHash<QString, PrivateFiles::FileStamp>::iterator it) { return !m_listed.contains(it.key()); });
        }
        // After a long reading, the files it did not reach, or that outgrew their slice meanwhile.
        m_files.readSlowFiles();
        if (isLong())
            return {};
        CalendarReading reading = m_files.readingFor(m_after);
        if (ending == ICalendarReader::Ending::broken) {
            reading.message = tr("Can't read the calendar: %1.").arg(ICalendarReader::reason(loss));
        } else if (m_moreFiles) {
            const QString more =
                ICalendarFolder::counted(m_files.m_limits.maxFiles, tr("Only the first calendar file is read."),
                                         tr("Only the first %1 calendar files are read."));
            reading.message = reading.message.isEmpty() ? more : more + u' ' + reading.message;
        }
        return reading;
    }

    ICalendarFiles& m_files;
    const QDateTime m_after;
    const QDateTime m_to;
    // For the long reading: the files it reads.
    const QStringList m_slow;
    QSet<QString> m_listed;
    bool m_moreFiles = false;
    bool m_wholeListing = false;
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

QFuture<CalendarReading> ICalendarFiles::read(const QDateTime& after, const QDateTime& to)
{
    m_after = after;
    m_to = to;
    return (new Run(*this, after, to, {}))->start();
}

void ICalendarFiles::cancel()
{
    qDeleteAll(m_runs.children());
    qDeleteAll(m_longRun.children());
}

void ICalendarFiles::keep(const QString& path, File file)
{
    m_heldSinceTrim += file.events.size();
    m_files.insert(path, std::move(file));
    if (m_heldSinceTrim > 2 * qsizetype(m_limits.maxEvents)) {
        trimHeld();
        m_heldSinceTrim = 0;
    }
}

void ICalendarFiles::trimHeld()
{
    QList<QDateTime> starts;
    for (File& file : m_files) {
        // Those that ended count no more; the file holds every event that ends after a later time as well.
        if (file.after < m_after) {
            file.events.removeIf([this](const CalendarEvent& event) { return event.end <= m_after; });
            file.after = m_after;
        }
        for (const CalendarEvent& event : std::as_const(file.events))
            starts.append(event.start);
    }
    // Twice what is shown, as each file keeps: the rest are only read again once enough have ended.
    const qsizetype kept = 2 * qsizetype(m_limits.maxEvents);
    if (starts.size() <= kept)
        return;
    std::nth_element(starts.begin(), starts.begin() + kept, starts.end());
    const QDateTime last = starts.at(kept);
    for (File& file : m_files) {
        const auto dropped = std::stable_partition(file.events.begin(), file.events.end(),
                                                   [&last](const CalendarEvent& event) { return event.start < last; });
        for (auto event = dropped; event != file.events.end(); ++event) {
            if (!file.beyond.isValid() || event->start < file.beyond)
                file.beyond = event->start;
        }
        file.events.erase(dropped, file.events.end());
        file.events.squeeze();
    }
}

QList<Known> ICalendarFiles::knownFor(const QDateTime& after, const QDateTime& to) const
{
    // Events kept for an earlier `after` hold every one that ends after a later one.
    const auto fits = [&](const File& file) { return file.to == to && file.after <= after; };
    QList<CalendarEvent> held;
    for (const File& file : m_files) {
        if (fits(file))
            held.append(file.events);
    }
    // A file whose later events were left out is read again once they could be among the earliest shown.
    const qsizetype shown = m_limits.maxEvents;
    held.removeIf([&after](const CalendarEvent& event) { return event.end <= after; });
    ICalendarFile::keepEarliest(held, shown);
    const QDateTime lastShown = held.size() == shown ? held.constLast().start : QDateTime();
    QList<Known> known;
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it) {
        const bool whole = !it->beyond.isValid() || (lastShown.isValid() && lastShown < it->beyond);
        if (it->stamp.exists && (it->trouble || (fits(*it) && whole)))
            known.append(Known{it.key(), it->stamp, it->color, it->trouble});
    }
    // Those waiting for the long reading are its to read.
    for (auto it = m_slow.cbegin(); it != m_slow.cend(); ++it)
        known.append(Known{it.key(), *it, {}, true});
    return known;
}

void ICalendarFiles::readSlowFiles()
{
    // A long reading that has ended is only waiting to be deleted.
    for (QObject* run : m_longRun.children()) {
        if (!static_cast<Run*>(run)->reader().hasEnded())
            return;
    }
    if (m_slow.isEmpty())
        return;
    // Started without waiting on it: what it reads reaches the cache, and changed() says so.
    (new Run(*this, m_after, m_to, m_slow.keys()))->start();
}

CalendarReading ICalendarFiles::readingFor(const QDateTime& after) const
{
    CalendarReading reading;
    ICalendarFolder::Skipped skipped;
    bool cut = false;
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it) {
        if (!it->problem.isEmpty())
            skipped.add(QFileInfo(it.key()).fileName(), it->problem, it->overran);
        cut = cut || it->cut;
        for (const CalendarEvent& event : it->events) {
            if (event.end > after)
                reading.events.append(event);
        }
    }
    const bool crowded = ICalendarFile::keepEarliest(reading.events, m_limits.maxEvents).isValid();
    reading.stillReading = !m_slow.isEmpty();
    if (!QFileInfo(m_path).isDir() && !skipped.isEmpty()) {
        reading.unreadable = true;
        reading.message = tr("Can't read the calendar: %1.").arg(skipped.lastReason());
        return reading;
    }
    QStringList notes;
    if (reading.stillReading) {
        const QString first = QFileInfo(m_slow.constBegin().key()).fileName();
        notes.append(ICalendarFolder::counted(m_slow.size(), tr("Still reading %1…").arg(first),
                                              tr("Still reading %1 calendar files…")));
    }
    notes.append(skipped.note(tr("Skipped %1 calendar files that can't be read."),
                              tr("Skipped %1 calendar files: they took too long to read.")));
    if (cut)
        notes.append(tr("Some events are left out: the calendar repeats too often to read at once."));
    if (crowded)
        notes.append(ICalendarFolder::counted(m_limits.maxEvents, tr("Only the earliest event is shown."),
                                              tr("Only the earliest %1 events are shown.")));
    notes.removeAll(QString());
    reading.message = notes.join(u' ');
    return reading;
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
