#pragma once

#include "Wisplet/Platform/CalendarSource.h"

#include <QColor>
#include <QDateTime>
#include <QHash>
#include <QMutex>

#include <atomic>

// One reading of a calendar folder or file, meant for a worker thread: it lists, reads, parses and expands
// the files within limits of size and work for the reading as a whole, and keeps what each file gave, so an
// unchanged file is neither read nor expanded again for the same window.
namespace ICalendarScan {

struct Limits
{
    qint64 maxFileBytes = 8 * 1024 * 1024;
    int maxFiles = 10'000;
    int maxFolders = 1'000;
    // Events kept, earliest first; the agenda is a week, and a few thousand is more than anyone reads.
    int maxEvents = 2'000;
    // Events kept from all files between readings; past it, files not yet read wait, so that the events
    // kept for a day stay bounded however many files there are.
    int maxHeldEvents = 5'000;
    // Occurrences made for one reading, across every rule of every file.
    qint64 maxSteps = 200'000;
    int maxMilliseconds = 3'000;
};

// What each file gave, for the files of one path. Readings lock it for their whole run, so two readings never
// interleave; the main thread never touches it.
struct Cache
{
    struct File
    {
        qint64 size = -1;
        QDateTime modified;
        QColor color;
        QDateTime to;
        QDateTime after;
        QList<CalendarEvent> events;
        // The work ran out while expanding it, or more events than are kept.
        bool cut = false;
        bool crowded = false;
        // Why it was not read; empty when it was.
        QString problem;
    };

    QMutex mutex;
    QHash<QString, File> files;
    std::atomic<int> parses = 0;
    std::atomic<int> expansions = 0;
};

CalendarReading read(const QString& path, const QDateTime& after, const QDateTime& to, Cache& cache,
                     const Limits& limits);

} // namespace ICalendarScan
