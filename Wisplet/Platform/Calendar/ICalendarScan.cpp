#include "Wisplet/Platform/Calendar/ICalendarScan.h"

#include "Wisplet/Platform/Calendar/ICalendarApart.h"
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

// The files of a folder and of its collection folders one level down, or the one file; or only the files asked
// for, with their folders' colours.
QList<Listed> listFiles(const CalendarRequest& request, bool& more)
{
    const CalendarLimits& limits = request.limits;
    const QFileInfo info(request.path);
    if (!info.isDir())
        return {{info.absoluteFilePath(), {}}};
    if (!request.only.isEmpty()) {
        QList<Listed> listed;
        for (const QString& file : request.only)
            listed.append({file, folderColor(QFileInfo(file).absolutePath())});
        return listed;
    }
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
    ExpansionBudget budget(request.limits.maxSteps, QDeadlineTimer(request.limits.maxMilliseconds));
    ICalendarFile::Occurrences occurrences = parsed->occurrences(request.after, request.to, listed.color, budget);
    file.events = std::move(occurrences.events);
    file.cut = occurrences.cut;
    // Twice what is shown: as events end, the earliest of the rest are still at hand without reading it again.
    file.beyond = ICalendarFile::keepEarliest(file.events, 2 * qsizetype(request.limits.maxEvents));
    return file;
}

bool isSame(const Known& known, const PrivateFiles::FileStamp& stamp, const Listed& listed)
{
    return known.stamp.exists && known.stamp == stamp && (known.trouble || known.color == listed.color);
}

// The file read in a process of its own; what became of that process when it gave nothing.
QByteArray readApart(const Listed& listed, const PrivateFiles::FileStamp& stamp, const CalendarRequest& request)
{
    const ICalendarApart::Outcome outcome =
        ICalendarApart::run([&] { return frameOf(readFile(listed, stamp, request)); }, request.fileCpuMs,
                            request.fileWallMs, frameByteLimit);
    if (outcome.loss == FileLoss::none && outcome.bytes.size() > 4 && tagOf(outcome.bytes) == Tag::calendarFile)
        return outcome.bytes;
    CalendarFile lost;
    lost.path = listed.path;
    lost.stamp = stamp;
    lost.color = listed.color;
    lost.loss = outcome.loss == FileLoss::none ? FileLoss::failed : outcome.loss;
    return frameOf(lost);
}

} // namespace

void run(const CalendarRequest& request, const Sink& send)
{
    QHash<QString, Known> known;
    for (const Known& one : request.known)
        known.insert(one.path, one);

    CalendarDone done;
    for (const Listed& one : listFiles(request, done.moreFiles)) {
        const PrivateFiles::FileStamp stamp = PrivateFiles::stampOf(one.path);
        const auto same = known.constFind(one.path);
        if (same != known.cend() && isSame(*same, stamp, one))
            send(frameOf(Unchanged{one.path}));
        else
            send(readApart(one, stamp, request));
    }
    send(frameOf(done));
}

} // namespace ICalendarScan
