#include "Wisplet/Platform/Calendar/ICalendarFiles.h"

#include "Wisplet/Platform/Calendar/ICalendarFolder.h"
#include "Wisplet/Platform/Calendar/ICalendarJob.h"
#include "Wisplet/Platform/Scheduler.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLocale>
#include <QSet>

#include <algorithm>

using namespace ICalendarWire;

// One reading: every file's slice, whose result the future gives, and, when it has a tail, the files that outgrew
// their slices read on afterwards, each reported through changed(). What it reads goes straight into the files' cache.
class ICalendarFiles::Run final : public ICalendarJob<CalendarReading>, ICalendarReader::Client
{
public:
    Run(ICalendarFiles& files, QDateTime after, QDateTime to, bool withTail)
        : ICalendarJob({}, &files.m_runs)
        , m_files(files)
        , m_after(std::move(after))
        , m_to(std::move(to))
        , m_withTail(withTail)
        , m_reader(files.m_reader, *this)
    { }

    void start() { m_reader.start(request()); }

private:
    QByteArray request() const
    {
        CalendarRequest request{m_files.m_path,
                                m_after,
                                m_to,
                                m_files.m_limits,
                                m_files.knownFor(m_after, m_to, !m_withTail),
                                m_files.m_allowances.slice,
                                {}};
        if (m_withTail) {
            const ICalendarReader::Limits& limits = m_files.m_reader;
            // The full limits within the program's own deadline for a frame.
            request.tail = {m_files.m_allowances.middle, {limits.cpuSecondsPerFile * 1000, limits.fileMs / 2}};
        }
        return requestOf(m_files.m_reader.headerFor(Job::calendar), request);
    }

    void take(const Frame& frame) override
    {
        if (const std::optional<Unchanged> same = valueOf<Unchanged>(frame)) {
            m_listed.insert(same->name);
        } else if (std::optional<CalendarFile> file = valueOf<CalendarFile>(frame)) {
            m_listed.insert(file->path);
            takeFile(std::move(*file));
        } else if (const std::optional<CalendarSliced> sliced = valueOf<CalendarSliced>(frame)) {
            takeListing(sliced->moreFiles);
            // This reader reads: an earlier one's break is no longer the calendar's word.
            m_files.m_broken = ICalendarReader::Loss::none;
            give(m_files.readingFor(m_after));
        }
    }

    void takeFile(CalendarFile file)
    {
        m_files.m_parses += file.parsed ? 1 : 0;
        m_files.m_expansions += file.expanded ? 1 : 0;
        if (file.loss == FileLoss::outgrew) {
            m_files.m_files.remove(file.path);
            m_files.m_slow.insert(file.path, file.stamp);
            return;
        }
        File kept{file.stamp, file.color,  m_to, m_after, std::move(file.events), std::move(file.beyond),
                  file.cut,   file.problem};
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
        const bool tell = hasGiven() && kept.to.isValid();
        m_files.m_slow.remove(file.path);
        m_files.keep(file.path, std::move(kept));
        if (tell) {
            // Not from inside the reader's own calls: whoever hears it reads again, and finds this file read.
            QMetaObject::invokeMethod(&m_files, &ICalendarFiles::changed, Qt::QueuedConnection);
        }
    }

    // Every file has been listed: those that went away leave.
    void takeListing(bool moreFiles)
    {
        m_files.m_moreFiles = moreFiles;
        m_files.m_files.removeIf([this](QHash<QString, File>::iterator it) { return !m_listed.contains(it.key()); });
        m_files.m_slow.removeIf(
            [this](QHash<QString, PrivateFiles::FileStamp>::iterator it) { return !m_listed.contains(it.key()); });
    }

    void ended(ICalendarReader::Loss loss) override
    {
        if (m_files.m_tail == this)
            m_files.m_tail = nullptr;
        m_files.noteEnding(loss);
        if (!hasGiven())
            give(m_files.readingFor(m_after));
        else if (loss != ICalendarReader::Loss::none)
            // The tail broke: the files it left are no longer being read, and the calendar says why.
            QMetaObject::invokeMethod(&m_files, &ICalendarFiles::changed, Qt::QueuedConnection);
        deleteLater();
    }

    ICalendarFiles& m_files;
    const QDateTime m_after;
    const QDateTime m_to;
    const bool m_withTail;
    QSet<QString> m_listed;
    ICalendarReader m_reader;
};

ICalendarFiles::ICalendarFiles(Scheduler& scheduler, ICalendarReader::Limits reader,
                               ICalendarWire::CalendarLimits limits, ICalendarAllowances allowances, QObject* parent)
    : CalendarSource(parent)
    , m_scheduler(scheduler)
    , m_reader(std::move(reader))
    , m_limits(limits)
    , m_allowances(allowances)
{ }

ICalendarFiles::~ICalendarFiles() = default;

void ICalendarFiles::setPath(const QString& path)
{
    cancel();
    m_path = path;
    m_files.clear();
    m_slow.clear();
    m_moreFiles = false;
    m_parses = 0;
    m_expansions = 0;
    m_broken = ICalendarReader::Loss::none;
    m_breaks = 0;
    m_retry.reset();
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
    if (isHoldingBack())
        return QtFuture::makeReadyFuture(readingFor(after));
    auto* run = new Run(*this, after, to, !m_tail);
    if (!m_tail)
        m_tail = run;
    QFuture<CalendarReading> reading = run->future();
    run->start();
    return reading;
}

void ICalendarFiles::cancel()
{
    qDeleteAll(m_runs.children());
}

void ICalendarFiles::noteEnding(ICalendarReader::Loss loss)
{
    m_broken = loss;
    if (loss == ICalendarReader::Loss::none) {
        m_breaks = 0;
        m_retry.reset();
        return;
    }
    const auto wait = std::min<std::chrono::milliseconds>(firstRetry * (1 << std::min(m_breaks, 6)), lastRetry);
    ++m_breaks;
    m_retry = m_scheduler.callAfter(wait, [] {});
}

bool ICalendarFiles::isHoldingBack() const
{
    return m_retry && m_retry->isPending();
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
    // Twice what is shown of each part, as each file keeps: the rest are only read again once enough have ended.
    const EarliestEvents earliest(m_after, 2 * qsizetype(m_limits.maxEvents));
    QList<CalendarEvent> all;
    for (File& file : m_files) {
        // Those that ended count no more; the file holds every event that ends after a later time as well.
        if (file.after < m_after) {
            file.events.removeIf([this](const CalendarEvent& event) { return event.end <= m_after; });
            file.after = m_after;
        }
        all.append(file.events);
    }
    const EarliestEvents::Beyond first = earliest.keep(all);
    if (!first.underWay && !first.toCome)
        return;
    // Of events alike in every field at the edge, only as many as fit stay.
    qsizetype room[2] = {0, 0};
    for (const CalendarEvent& event : std::as_const(all)) {
        const std::optional<CalendarEvent>& edge = earliest.isUnderWay(event) ? first.underWay : first.toCome;
        room[earliest.isUnderWay(event) ? 0 : 1] += edge && event == *edge ? 1 : 0;
    }
    for (File& file : m_files) {
        EarliestEvents::Beyond dropped;
        const auto drop = [&](const CalendarEvent& event) {
            const bool underWay = earliest.isUnderWay(event);
            const std::optional<CalendarEvent>& edge = underWay ? first.underWay : first.toCome;
            if (!edge || earliest.ranksBefore(event, *edge))
                return false;
            if (event == *edge && room[underWay ? 0 : 1] > 0) {
                --room[underWay ? 0 : 1];
                return false;
            }
            earliest.merge(dropped, underWay ? EarliestEvents::Beyond{event, {}} : EarliestEvents::Beyond{{}, event});
            return true;
        };
        if (file.events.removeIf(drop) > 0) {
            earliest.merge(file.beyond, dropped);
            file.events.squeeze();
        }
    }
}

QList<Known> ICalendarFiles::knownFor(const QDateTime& after, const QDateTime& to, bool slowToo) const
{
    // Events kept for an earlier `after` hold every one that ends after a later one.
    const auto fits = [&](const File& file) { return file.to == to && file.after <= after; };
    QList<CalendarEvent> shown;
    for (const File& file : m_files) {
        if (fits(file))
            shown.append(file.events);
    }
    // A file whose later events were left out is read again once they could be among the earliest shown.
    shown.removeIf([&after](const CalendarEvent& event) { return event.end <= after; });
    const EarliestEvents earliest(after, m_limits.maxEvents);
    earliest.keep(shown);
    QList<Known> known;
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it) {
        if (it->stamp.exists && (it->trouble || (fits(*it) && earliest.holdsAllShown(shown, it->beyond))))
            known.append(Known{it.key(), it->stamp, it->color, it->trouble});
    }
    // Those waiting for a tail are left to one.
    if (slowToo) {
        for (auto it = m_slow.cbegin(); it != m_slow.cend(); ++it)
            known.append(Known{it.key(), *it, {}, true});
    }
    return known;
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
    const EarliestEvents::Beyond crowded = EarliestEvents(after, m_limits.maxEvents).keep(reading.events);
    if (m_broken != ICalendarReader::Loss::none) {
        reading.message = tr("Can't read the calendar: %1.").arg(ICalendarReader::reason(m_broken));
        return reading;
    }
    reading.stillReading = !m_slow.isEmpty();
    if (!QFileInfo(m_path).isDir() && !skipped.isEmpty()) {
        reading.unreadable = true;
        reading.message = tr("Can't read the calendar: %1.").arg(skipped.lastReason());
        return reading;
    }
    QStringList notes;
    if (m_moreFiles)
        notes.append(ICalendarFolder::counted(m_limits.maxFiles, tr("Only the first calendar file is read."),
                                              tr("Only the first %1 calendar files are read.")));
    if (reading.stillReading) {
        const QString first = QFileInfo(m_slow.constBegin().key()).fileName();
        notes.append(ICalendarFolder::counted(m_slow.size(), tr("Still reading %1…").arg(first),
                                              tr("Still reading %1 calendar files…")));
    }
    notes.append(skipped.note(tr("Skipped %1 calendar files that can't be read."),
                              tr("Skipped %1 calendar files: they took too long to read.")));
    if (cut)
        notes.append(tr("Some events are left out: the calendar repeats too often to read at once."));
    if (crowded.underWay)
        notes.append(ICalendarFolder::counted(m_limits.maxEvents, tr("Only one of the events under way is shown."),
                                              tr("Only %1 of the events under way are shown.")));
    if (crowded.toCome)
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
