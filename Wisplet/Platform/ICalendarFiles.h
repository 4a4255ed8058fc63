#pragma once

#include "Wisplet/Platform/CalendarSource.h"
#include "Wisplet/Platform/ICalendarScan.h"

#include <memory>

class QFileSystemWatcher;
class ScheduledCall;
class Scheduler;

// iCalendar files on disk, as calendar programs and sync tools keep them: a folder of .ics files and of
// collection folders holding .ics files (with an optional "color" file each), or a single .ics file.
// Files are read on a worker thread; what each gave is kept by path, size and modification time, so a
// refresh reads only what changed.
class ICalendarFiles final : public CalendarSource
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ICalendarFiles)

public:
    static constexpr int settleMs = 250;

    explicit ICalendarFiles(Scheduler& scheduler, ICalendarScan::Limits limits = {}, QObject* parent = nullptr);
    ~ICalendarFiles() override;

    void setPath(const QString& path) override;
    QString path() const override { return m_path; }
    Access access() const override;
    QString problem() const override;
    QFuture<CalendarReading> read(const QDateTime& after, const QDateTime& to) override;
    void setWatching(bool watching) override;

    // How many files were parsed, and expanded, since the path was set.
    int parseCount() const { return m_cache->parses; }
    int expansionCount() const { return m_cache->expansions; }

private:
    void rewatch();
    void noteChange();

    Scheduler& m_scheduler;
    const ICalendarScan::Limits m_limits;
    QString m_path;
    // Shared with the readings under way; a new path starts a new one, so the main thread never waits.
    std::shared_ptr<ICalendarScan::Cache> m_cache = std::make_shared<ICalendarScan::Cache>();
    QFileSystemWatcher* m_watcher = nullptr;
    std::unique_ptr<ScheduledCall> m_settle;
};
