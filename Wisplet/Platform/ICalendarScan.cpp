#include "Wisplet/Platform/ICalendarScan.h"

#include "Wisplet/Platform/ICalendarFile.h"
#include "Wisplet/Platform/ICalendarFolder.h"
#include "Wisplet/Platform/PrivateFiles.h"

#include <QFileInfo>
#include <QLocale>

#include <algorithm>

namespace ICalendarScan {

namespace {

struct Listed
{
    QString path;
    QColor color;
};

// A calendar program's colour for a collection folder, as sync tools store it.
QColor folderColor(const QString& folder)
{
    const PrivateFiles::FileRead read = PrivateFiles::readRegularFile(folder + QStringLiteral("/color"), 64);
    if (read.outcome != PrivateFiles::FileRead::Outcome::read)
        return {};
    QString name = QString::fromUtf8(read.contents).trimmed();
    if (name.size() == 9 && name.startsWith(u'#'))
        name.truncate(7);
    return QColor::fromString(name);
}

// The files of a folder and of its collection folders one level down, or the one file.
QList<Listed> listFiles(const QString& path, const Limits& limits, bool& more)
{
    const QFileInfo info(path);
    if (!info.isDir())
        return {{info.absoluteFilePath(), {}}};
    QList<Listed> listed;
    const auto addFolder = [&](const QString& folder) {
        const int room = limits.maxFiles - int(listed.size());
        const ICalendarFolder::Listing files = ICalendarFolder::calendarFiles(folder, room);
        more = more || files.more;
        const QColor color = files.paths.isEmpty() ? QColor() : folderColor(folder);
        for (const QString& file : files.paths)
            listed.append({file, color});
    };
    addFolder(info.absoluteFilePath());
    const ICalendarFolder::Listing folders = ICalendarFolder::subfolders(info.absoluteFilePath(), limits.maxFolders);
    more = more || folders.more;
    for (const QString& folder : folders.paths)
        addFolder(folder);
    return listed;
}

bool isEarlier(const CalendarEvent& a, const CalendarEvent& b)
{
    return a.start < b.start;
}

// The earliest `limit` by start; true when some were dropped.
bool keepEarliest(QList<CalendarEvent>& events, int limit)
{
    std::stable_sort(events.begin(), events.end(), isEarlier);
    if (events.size() <= limit)
        return false;
    events.resize(limit);
    events.squeeze();
    return true;
}

Cache::File readFile(const Listed& listed, const QFileInfo& info, const QDateTime& after, const QDateTime& to,
                     Cache& cache, const Limits& limits, ExpansionBudget& budget)
{
    Cache::File file{info.size(), info.lastModified(), listed.color, to, after, {}, false, false, {}};
    const PrivateFiles::FileRead read = PrivateFiles::readRegularFile(listed.path, limits.maxFileBytes);
    if (read.outcome == PrivateFiles::FileRead::Outcome::absent) {
        file.problem = QObject::tr("it is gone");
        return file;
    }
    if (read.outcome != PrivateFiles::FileRead::Outcome::read) {
        file.problem = read.reason;
        return file;
    }
    ++cache.parses;
    const std::optional<ICalendarFile> parsed = ICalendarFile::parse(read.contents);
    if (!parsed) {
        file.problem = QObject::tr("not an iCalendar file");
        return file;
    }
    ++cache.expansions;
    ICalendarFile::Occurrences occurrences = parsed->occurrences(after, to, listed.color, budget);
    file.events = std::move(occurrences.events);
    file.cut = occurrences.cut;
    file.crowded = keepEarliest(file.events, limits.maxEvents);
    return file;
}

bool isCurrent(const Cache::File& file, const QFileInfo& info, const Listed& listed, const QDateTime& after,
               const QDateTime& to)
{
    // Events kept for an earlier `after` hold every one that ends after a later one.
    return file.modified.isValid() && file.size == info.size() && file.modified == info.lastModified()
        && file.color == listed.color && file.to == to && file.after <= after;
}

} // namespace

CalendarReading read(const QString& path, const QDateTime& after, const QDateTime& to, Cache& cache,
                     const Limits& limits)
{
    const QMutexLocker lock(&cache.mutex);
    ExpansionBudget budget(limits.maxSteps, QDeadlineTimer(limits.maxMilliseconds));
    bool moreFiles = false;
    const QList<Listed> listed = listFiles(path, limits, moreFiles);

    CalendarReading reading;
    QHash<QString, Cache::File> kept;
    ICalendarFolder::Skipped skipped;
    bool cut = false;
    bool crowded = false;
    qsizetype held = 0;
    for (const Listed& one : listed) {
        const QFileInfo info(one.path);
        const auto cached = cache.files.constFind(one.path);
        Cache::File file;
        if (cached != cache.files.cend() && isCurrent(*cached, info, one, after, to)) {
            file = *cached;
        } else if (budget.isSpent() || held >= limits.maxHeldEvents) {
            // Read at a later refresh, with fresh time, or once others have changed.
            cut = true;
            continue;
        } else {
            file = readFile(one, info, after, to, cache, limits, budget);
        }
        if (!file.problem.isEmpty())
            skipped.add(info.fileName(), file.problem);
        cut = cut || file.cut;
        crowded = crowded || file.crowded;
        for (const CalendarEvent& event : std::as_const(file.events)) {
            if (event.end > after)
                reading.events.append(event);
        }
        held += file.events.size();
        kept.insert(one.path, std::move(file));
    }
    // Files that went away leave the cache.
    cache.files = std::move(kept);
    crowded = keepEarliest(reading.events, limits.maxEvents) || crowded;

    if (!QFileInfo(path).isDir() && !skipped.isEmpty()) {
        reading.unreadable = true;
        reading.message = QObject::tr("Can't read the calendar: %1.").arg(skipped.lastReason());
        return reading;
    }
    const QLocale locale;
    QStringList notes;
    if (moreFiles)
        notes.append(QObject::tr("Only the first %1 calendar files are read.").arg(locale.toString(limits.maxFiles)));
    notes.append(skipped.note(QObject::tr("Skipped %1 calendar files that can't be read.")));
    if (cut)
        notes.append(
            QObject::tr("Some events are left out: the calendar is too large or repeats too often to read at once."));
    if (crowded)
        notes.append(QObject::tr("Only the first %1 events are shown.").arg(locale.toString(limits.maxEvents)));
    notes.removeAll(QString());
    reading.message = notes.join(u' ');
    return reading;
}

} // namespace ICalendarScan
