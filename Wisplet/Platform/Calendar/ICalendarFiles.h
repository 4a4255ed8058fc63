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
// Files are read by reader processes; what each gave is kept by path, version and window, so a refresh reads
// only what changed, and a file a reader was lost on is passed over until it changes.
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
    QFuture<CalendarReading> read(const QDateTime& after, const QDateTime& to, EarlyReading early) override;
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
        QList<CalendarEvent> events;
        bool cut = false;
        bool crowded = false;
        // Why it was not read; empty when it was.
        QString problem;
        // A reader was lost on it for what it made the reader do: passed over until it changes.
        bool trouble = false;
        // That reader ran out of time on it.
        bool overran = false;
    };

    void rewatch();
    void noteChange();

    Scheduler& m_scheduler;
    const ICalendarReader::Limits m_reader;
    const ICalendarWire::CalendarLimits m_limits;
    QString m_path;
    QHash<QString, File> m_files;
    int m_parses = 0;
    int m_expansions = 0;
    // Parent of the readings under way.
    QObject m_runs;
    QFileSystemWatcher* m_watcher = nullptr;
    std::unique_ptr<ScheduledCall> m_settle;
};
