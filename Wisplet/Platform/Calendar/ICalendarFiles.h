#pragma once

#include "Wisplet/Platform/Calendar/ICalendarReader.h"
#include "Wisplet/Platform/CalendarSource.h"

#include <QHash>
#include <QPointer>

#include <chrono>
#include <memory>

class QFileSystemWatcher;
class ScheduledCall;
class Scheduler;

// What a calendar file gets first: enough for any ordinary file, little enough that a hundred files that need more
// cost a second or two. Then, before the full limits, time after its size: several times what a good file of that
// size costs, so that small runaway files beside a large good one hold it back by seconds.
struct ICalendarAllowances
{
    ICalendarWire::Allowance slice{15, 250};
    ICalendarWire::Allowance middle{100, 2'000, 1'000};
};

// iCalendar files on disk, as calendar programs and sync tools keep them: a folder of .ics files and of
// collection folders holding .ics files (with an optional "color" file each), or a single .ics file.
// A reading gives each file a short slice of time first and gives its result once every file has had it; the files
// that need more are read on by the same reader, with a little more time and then the full limits, smallest first,
// and changed() says when each is done. One reading at a time has that tail; one started meanwhile gives the slices
// only. What each file gave is kept by path, version and window, so a refresh reads only what changed; the earliest
// events are kept whatever the files are named, and a file a reader was lost on is passed over until it changes.
// A reading that breaks for no file in particular (no reader, a reader that refuses or dies) is not tried again
// until a later request, later each time while readings keep breaking.
class ICalendarFiles final : public CalendarSource
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ICalendarFiles)

public:
    static constexpr int settleMs = 250;
    // After a broken reading, requests are answered from what is held for this long, twice as long after each
    // further break, up to the last.
    static constexpr std::chrono::seconds firstRetry{30};
    static constexpr std::chrono::seconds lastRetry{30 * 60};

    ICalendarFiles(Scheduler& scheduler, ICalendarReader::Limits reader, ICalendarWire::CalendarLimits limits = {},
                   ICalendarAllowances allowances = {}, QObject* parent = nullptr);
    ~ICalendarFiles() override;

    void setPath(const QString& path) override;
    QString path() const override { return m_path; }
    Access access() const override;
    QString problem() const override;
    QFuture<CalendarReading> read(const QDateTime& after, const QDateTime& to) override;
    void cancel() override;
    void setWatching(bool watching) override;

    // How many files were parsed, and expanded, since the path was set.
    int parseCount() const { return m_parses; }
    int expansionCount() const { return m_expansions; }

private:
    class Run;

    // What one file gave, for the window it was expanded for.
    struct File
    {
        PrivateFiles::FileStamp stamp;
        QString color;
        QDateTime to;
        QDateTime after;
        // The earliest events of the window as seen from `after`, and what they left out.
        QList<CalendarEvent> events;
        EarliestEvents::Beyond beyond;
        bool cut = false;
        // Why it was not read; empty when it was.
        QString problem;
        // A reader was lost on it for what it made the reader do: passed over until it changes.
        bool trouble = false;
        // That reader ran out of time on it.
        bool overran = false;
    };

    void keep(const QString& path, File file);
    // Keeps only the events that can still be among the earliest shown, so that many busy files cost no more
    // memory than a few.
    void trimHeld();
    // The files a reading for this window passes over; with `slowToo`, those waiting for a tail as well.
    QList<ICalendarWire::Known> knownFor(const QDateTime& after, const QDateTime& to, bool slowToo) const;
    CalendarReading readingFor(const QDateTime& after) const;
    // A reading ended; a broken one holds back the next.
    void noteEnding(ICalendarReader::Loss loss);
    bool isHoldingBack() const;
    void rewatch();
    void noteChange();

    Scheduler& m_scheduler;
    const ICalendarReader::Limits m_reader;
    const ICalendarWire::CalendarLimits m_limits;
    const ICalendarAllowances m_allowances;
    QString m_path;
    QHash<QString, File> m_files;
    // Files that outgrew their slice, as they were then, until a tail has read them.
    QHash<QString, PrivateFiles::FileStamp> m_slow;
    // The window of the latest reading, which trimming keeps to.
    QDateTime m_after;
    // The last listing left files out for the limit on files.
    bool m_moreFiles = false;
    // Events kept since the held ones were last trimmed.
    qsizetype m_heldSinceTrim = 0;
    int m_parses = 0;
    int m_expansions = 0;
    // Why the last reading broke, and how many in a row did; the next waits while m_retry is pending.
    ICalendarReader::Loss m_broken = ICalendarReader::Loss::none;
    int m_breaks = 0;
    std::unique_ptr<ScheduledCall> m_retry;
    // Parent of the readings under way; the one with a tail.
    QObject m_runs;
    QPointer<Run> m_tail;
    QFileSystemWatcher* m_watcher = nullptr;
    std::unique_ptr<ScheduledCall> m_settle;
};
