#include "Wisplet/Platform/Calendar/ICalendarScan.h"

#include "Wisplet/Platform/Calendar/ICalendarFile.h"
#include "Wisplet/Platform/Calendar/ICalendarFolder.h"
#include "Wisplet/Platform/Calendar/ICalendarFork.h"
#include "Wisplet/Platform/Calendar/ICalendarParse.h"

#include <QFileInfo>
#include <QHash>
#include <QObject>

#include <algorithm>

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
QList<Listed> listFiles(const CalendarRequest& request, bool& more)
{
    const CalendarLimits& limits = request.limits;
    const QFileInfo info(request.path);
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

CalendarFile readFile(const Listed& listed, const PrivateFiles::FileStamp& stamp, const CalendarRequest& request)
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
    // Twice what is shown: as events end, the earliest of the rest are still at hand without reading it again.
    const Expansion expansion{request.limits.maxSteps, QDeadlineTimer(request.limits.maxMilliseconds),
                              2 * qsizetype(request.limits.maxEvents)};
    ICalendarFile::Occurrences occurrences = parsed->occurrences(request.after, request.to, listed.color, expansion);
    file.events = std::move(occurrences.events);
    file.beyond = std::move(occurrences.beyond);
    file.cut = occurrences.cut;
    return file;
}

bool isSame(const Known& known, const PrivateFiles::FileStamp& stamp, const Listed& listed)
{
    return known.stamp.exists && known.stamp == stamp && (known.trouble || known.color == listed.color);
}

struct Try
{
    Listed listed;
    PrivateFiles::FileStamp stamp;
};

// The frame a try at a file gave.
struct Tried
{
    QByteArray frame;
    // Unless this was its last try, a file that needs more time, or whose process was stopped or killed, is tried
    // again with more.
    bool outgrew = false;
};

// The file read in a process of its own with this allowance; what became of that process when it gave nothing.
Tried readApart(const Try& one, const CalendarRequest& request, Allowance allowance, bool lastTry)
{
    const ICalendarFork::Outcome outcome = ICalendarFork::run(
        [&] { return frameOf(readFile(one.listed, one.stamp, request)); }, allowance, frameByteLimit);
    if (outcome.loss == FileLoss::none && outcome.bytes.size() > 4 && tagOf(outcome.bytes) == Tag::calendarFile)
        return {outcome.bytes};
    CalendarFile lost;
    lost.path = one.listed.path;
    lost.stamp = one.stamp;
    lost.color = one.listed.color;
    lost.loss = outcome.loss == FileLoss::none ? FileLoss::failed : outcome.loss;
    const bool outgrew = !lastTry && (lost.loss == FileLoss::tooLong || lost.loss == FileLoss::killed);
    if (outgrew)
        lost.loss = FileLoss::outgrew;
    return {frameOf(lost), outgrew};
}

// A try of the tail: the last one when it has as much time as the last tier gives.
Tried readInTail(const Try& one, const CalendarRequest& request, qsizetype tier)
{
    const Allowance& most = request.tail.constLast();
    const Allowance allowance = request.tail.at(tier).forSize(one.stamp.size, most);
    const bool lastTry = allowance.cpuMs == most.cpuMs && allowance.wallMs == most.wallMs;
    return readApart(one, request, allowance, lastTry);
}

} // namespace

void run(const CalendarRequest& request, const Sink& send)
{
    QHash<QString, Known> known;
    for (const Known& one : request.known)
        known.insert(one.path, one);

    CalendarSliced sliced;
    QList<Try> outgrown;
    for (const Listed& one : listFiles(request, sliced.moreFiles)) {
        const PrivateFiles::FileStamp stamp = PrivateFiles::stampOf(one.path);
        const auto same = known.constFind(one.path);
        if (same != known.cend() && isSame(*same, stamp, one)) {
            send(frameOf(Unchanged{one.path}));
            continue;
        }
        const Tried tried = readApart({one, stamp}, request, request.slice, false);
        if (tried.outgrew)
            outgrown.append({one, stamp});
        send(tried.frame);
    }
    send(frameOf(sliced));

    for (qsizetype next = 0; next < request.tail.size() && !outgrown.isEmpty(); ++next) {
        // Smallest first: a file that needs a little more than its slice is far likelier a good one than one
        // of a few lines that used all of it.
        std::stable_sort(outgrown.begin(), outgrown.end(),
                         [](const Try& a, const Try& b) { return a.stamp.size < b.stamp.size; });
        QList<Try> again;
        for (const Try& one : std::as_const(outgrown)) {
            const Tried tried = readInTail(one, request, next);
            if (tried.outgrew)
                again.append(one);
            send(tried.frame);
        }
        outgrown = std::move(again);
    }
    send(frameOf(CalendarDone{}));
}

} // namespace ICalendarScan
