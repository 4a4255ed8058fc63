#include "Wisplet/Platform/Calendar/ICalendarScan.h"

#include "Wisplet/Platform/Calendar/ICalendarFile.h"
#include "Wisplet/Platform/Calendar/ICalendarFolder.h"
#include "Wisplet/Platform/Calendar/ICalendarParse.h"

#include <QFileInfo>
#include <QHash>
#include <QObject>

namespace ICalendarScan {

namespace {

using namespace ICalendarWire;

struct Listed
{
    QString path;
    QString color;
};

// A calendar program's colour for a collection folder, as sync tools store it.
QString folderColor(const QString& folder)
{
    const PrivateFiles::FileRead read = PrivateFiles::readRegularFile(folder + QStringLiteral("/color"), 64);
    if (read.outcome != PrivateFiles::FileRead::Outcome::read)
        return {};
    return ICalendarColor::named(QString::fromUtf8(read.contents));
}

// The files of a folder and of its collection folders one level down, or the one file.
QList<Listed> listFiles(const QString& path, const CalendarLimits& limits, bool& more)
{
    const QFileInfo info(path);
    if (!info.isDir())
        return {{info.absoluteFilePath(), {}}};
    QList<Listed> listed;
    const auto addFolder = [&](const QString& folder) {
        const int room = limits.maxFiles - int(listed.size());
        const ICalendarFolder::Listing files = ICalendarFolder::calendarFiles(folder, room);
        more = more || files.more;
        const QString color = files.paths.isEmpty() ? QString() : folderColor(folder);
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

CalendarFile readFile(const Listed& listed, const PrivateFiles::FileStamp& stamp, const CalendarRequest& request,
                      ExpansionBudget& budget)
{
    CalendarFile file;
    file.path = listed.path;
    file.stamp = stamp;
    file.color = listed.color;
    const PrivateFiles::FileRead read = PrivateFiles::readRegularFile(listed.path, request.limits.maxFileBytes);
    if (read.outcome == PrivateFiles::FileRead::Outcome::absent) {
        file.problem = QObject::tr("it is gone");
        return file;
    }
    if (read.outcome != PrivateFiles::FileRead::Outcome::read) {
        file.problem = read.reason;
        return file;
    }
    file.stamp = read.stamp;
    if (ICalendarParse::isTooDeep(read.contents)) {
        file.problem = QObject::tr("its parts are nested too deeply");
        return file;
    }
    file.parsed = true;
    const std::optional<ICalendarFile> parsed = ICalendarFile::parse(read.contents);
    if (!parsed) {
        file.problem = QObject::tr("not an iCalendar file");
        return file;
    }
    file.expanded = true;
    ICalendarFile::Occurrences occurrences = parsed->occurrences(request.after, request.to, listed.color, budget);
    file.events = std::move(occurrences.events);
    file.cut = occurrences.cut;
    file.crowded = ICalendarFile::keepEarliest(file.events, request.limits.maxEvents);
    return file;
}

bool isSame(const Known& known, const PrivateFiles::FileStamp& stamp, const Listed& listed)
{
    return known.stamp.exists && known.stamp == stamp && (known.trouble || known.color == listed.color);
}

} // namespace

void run(const CalendarRequest& request, const Sink& send)
{
    const CalendarLimits& limits = request.limits;
    ExpansionBudget budget(limits.maxSteps, QDeadlineTimer(limits.maxMilliseconds));
    QHash<QString, Known> known;
    for (const Known& one : request.known)
        known.insert(one.path, one);

    CalendarDone done;
    const QList<Listed> listed = listFiles(request.path, limits, done.moreFiles);
    qsizetype held = 0;
    for (const Listed& one : listed) {
        const PrivateFiles::FileStamp stamp = PrivateFiles::stampOf(one.path);
        const auto same = known.constFind(one.path);
        if (same != known.cend() && isSame(*same, stamp, one)) {
            held += same->events;
            send(frameOf(Unchanged{one.path}));
            continue;
        }
        if (budget.isSpent() || held >= limits.maxHeldEvents) {
            // Read at a later refresh, with fresh time, or once others have changed.
            done.cut = true;
            continue;
        }
        send(frameOf(Reading{one.path, stamp}));
        const CalendarFile file = readFile(one, stamp, request, budget);
        held += file.events.size();
        send(frameOf(file));
    }
    send(frameOf(done));
}

} // namespace ICalendarScan
