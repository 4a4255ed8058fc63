#pragma once

#include "Wisplet/Platform/Calendar/ICalendarReader.h"
#include "Wisplet/Platform/CalendarSource.h"

#include <QHash>

#include <memory>

class QFileSystemWatcher;
class ScheduledCall;
class Scheduler;

// iCalendar files on disk, as calendar programs and sync tools keep them: a folder of .ics files and of
// collection folders holding .ics files (with an optional "color" file each), or a single .ics file.
// A reading gives each file a short slice of time first; files that need more are read afterwards, one at a
// time with the full limits, by a reader of their own, and changed() says when each is done. What each file gave
// is kept by path, version and window, so a refresh reads only what changed; the earliest events are kept
// whatever the files are named, and a file a reader was lost on is passed over until it changes.
class ICalendarFiles final : public CalendarSource
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ICalendarFiles)

public:
    static constexpr int settleMs = 250;

    ICalendarFiles(Scheduler& scheduler, ICalendarReader::Limits reader, ICalendarWire::CalendarLimits limits = {},
                   QObject* parent = nullptr);
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
        // Every event of the window that starts before `beyond`, when that is valid.
        QList<CalendarEvent> events;
        QDateTime beyond;
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
    // The files a reading for this window passes over.
    QList<ICalendarWire::Known> knownFor(const QDateTime& after, const QDateTime& to) const;
    // Starts the long reading of the files that outgrew their slice, unless it runs.
    void readSlowFiles();
    CalendarReading readingFor(const QDateTime& after) const;
    void rewatch();
    void noteChange();

    Scheduler& m_scheduler;
    const ICalendarReader::Limits m_reader;
    const ICalendarWire::CalendarLimits m_limits;
    QString m_path;
    QHash<QString, File> m_files;
    // Files that outgrew their slice, as they were then, until the long reading has read them.
    QHash<QString, PrivateFiles::FileStamp> m_slow;
    // The window of the latest reading, which the long reading reads for.
    QDateTime m_after;
    QDateTime m_to;
    // Events kept since the held ones were last trimmed.
    qsizetype m_heldSinceTrim = 0;
    int m_parses = 0;
    int m_expansions = 0;
    // Parent of the readings under way, and of the long one.
    QObject m_runs;
    QObject m_longRun;
    QFileSystemWatcher* m_watcher = nullptr;
    std::unique_ptr<ScheduledCall> m_settle;
};
