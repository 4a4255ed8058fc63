#include "Wisplet/Platform/Calendar/ICalendarReminders.h"

#include "Wisplet/Platform/Calendar/ICalendarFolder.h"
#include "Wisplet/Platform/Calendar/ICalendarJob.h"
#include "Wisplet/Platform/Calendar/ICalendarLanes.h"
#include "Wisplet/Platform/Calendar/ICalendarTodos.h"
#include "Wisplet/Platform/PrivateFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryFile>

#include <algorithm>

namespace {

using namespace ICalendarWire;
using ICalendarTodos::failure;

} // namespace

// One reading of the folder. What each file gave is kept by its name, so that a fresh reader after a lost one,
// or one beside a reader left on a slow file, passes over what is read; files the source read before and that
// are still the same are not read again.
class ICalendarReminders::Fetch final : public ICalendarJob<ReminderScan>, ICalendarLanes::Client
{
public:
    Fetch(ICalendarReminders& source, QString folder)
        : ICalendarJob({}, &source.m_fetches)
        , m_source(source)
        , m_folder(std::move(folder))
        , m_lanes(source.m_reader, *this)
    { }

    void start() { m_lanes.start(); }

private:
    QByteArray request(const QList<Reading>& elsewhere) override
    {
        RemindersRequest request{m_folder,
                                 m_source.m_fileLimit,
                                 m_source.m_byteLimit,
                                 maxFileBytes,
                                 {},
                                 sweepAfterSeconds(m_source.m_reader)};
        const auto passOver = [&request](const QString& name, const PrivateFiles::FileStamp& stamp) {
            request.passOver.append(Known{name, stamp, {}, true});
        };
        for (auto it = m_got.cbegin(); it != m_got.cend(); ++it)
            passOver(it.key(), it->stamp);
        if (m_source.m_folder == m_folder) {
            for (auto it = m_source.m_files.cbegin(); it != m_source.m_files.cend(); ++it) {
                if (!m_got.contains(it.key()))
                    passOver(it.key(), it->stamp);
            }
        }
        for (const Reading& file : elsewhere)
            passOver(file.name, file.stamp);
        return requestOf(m_source.m_reader.headerFor(Job::reminders), request);
    }

    void take(const Frame& frame) override
    {
        if (const std::optional<Unchanged> same = valueOf<Unchanged>(frame)) {
            // A file another reader is on is passed over too: what that reader says of it counts.
            const auto known = m_source.m_files.constFind(same->name);
            if (!m_got.contains(same->name) && m_source.m_folder == m_folder && known != m_source.m_files.cend())
                m_got.insert(same->name, *known);
        } else if (std::optional<ReminderFile> file = valueOf<ReminderFile>(frame)) {
            ++m_source.m_reads;
            m_got.insert(file->name, File{file->stamp, std::move(file->items), file->problem});
        } else if (const std::optional<RemindersDone> done = valueOf<RemindersDone>(frame)) {
            m_done = *done;
        }
    }

    void lose(const Reading& file, ICalendarReader::Loss loss) override
    {
        m_got.insert(file.name,
                     File{file.stamp,
                          {},
                          ICalendarReader::reason(loss),
                          loss == ICalendarReader::Loss::tooLong,
                          loss == ICalendarReader::Loss::killed});
    }

    void ended(ICalendarReader::Loss loss) override
    {
        give(resultOf(loss));
        deleteLater();
    }

    ReminderScan resultOf(ICalendarReader::Loss loss)
    {
        if (loss != ICalendarReader::Loss::none)
            return {{}, tr("Can't read the reminders: %1.").arg(ICalendarReader::reason(loss))};
        // Files that went away leave what is kept.
        m_source.m_folder = m_folder;
        m_source.m_files = m_got;
        m_source.m_files.removeIf([](const auto& file) { return file.value().killed; });
        // By name in byte order, as the reader lists them, whichever reader read them.
        QStringList names = m_got.keys();
        std::sort(names.begin(), names.end(),
                  [](const QString& a, const QString& b) { return a.toUtf8() < b.toUtf8(); });
        ReminderScan scan;
        ICalendarFolder::Skipped skipped;
        for (const QString& name : std::as_const(names)) {
            const File& file = m_got[name];
            scan.items.append(file.items);
            if (!file.problem.isEmpty())
                skipped.add(name, file.problem, file.overran);
        }
        QStringList notes;
        if (m_done.moreFiles)
            notes.append(ICalendarFolder::counted(m_source.m_fileLimit, tr("Only the first reminder file is read."),
                                                  tr("Only the first %1 reminder files are read.")));
        if (m_done.tooMuch)
            notes.append(tr("Some reminder files are left out: the folder holds too much to read at once."));
        notes.append(skipped.note(tr("Skipped %1 reminder files that can't be read."),
                                  tr("Skipped %1 reminder files: they took too long to read.")));
        notes.removeAll(QString());
        scan.message = notes.join(u' ');
        return scan;
    }

    ICalendarReminders& m_source;
    const QString m_folder;
    QHash<QString, File> m_got;
    RemindersDone m_done;
    ICalendarLanes m_lanes;
};

// An add or a completion: one reader, whose loss is the write's failure unless what it was to write is there.
class ICalendarReminders::Write final : public ICalendarJob<QString>, ICalendarReader::Client
{
public:
    Write(ICalendarReminders& source, ReminderWrite write, QString cannot)
        : ICalendarJob(cannot, &source.m_writes)
        , m_write(std::move(write))
        , m_cannot(std::move(cannot))
        , m_reader(source.m_reader, *this)
    {
        m_reader.start(requestOf(source.m_reader, m_write));
    }

    const ReminderWrite& write() const { return m_write; }
    ICalendarReader& reader() { return m_reader; }

    // Whether what it was to write is there, though its reader was stopped before it said so: a new reminder's
    // file (a name only this add uses), or the completed to-do's file replaced since the reader read it.
    bool landed() const
    {
        const PrivateFiles::FileStamp now = PrivateFiles::stampOf(QDir(m_write.folder).filePath(m_write.reminder.file));
        if (m_write.kind == ReminderWrite::Kind::add)
            return now.exists;
        return m_read && now.exists && now != m_read->stamp;
    }

private:
    static QByteArray requestOf(const ICalendarReader::Limits& limits, const ReminderWrite& write)
    {
        if (write.kind == ReminderWrite::Kind::add)
            return ICalendarWire::requestOf(
                limits.headerFor(Job::add),
                AddRequest{write.folder, write.reminder.uid, write.reminder.title, write.at});
        return ICalendarWire::requestOf(limits.headerFor(Job::complete),
                                        CompleteRequest{write.folder, write.reminder, write.at, maxFileBytes});
    }

    static QString reasonOf(ICalendarReader::Loss loss)
    {
        switch (loss) {
        case ICalendarReader::Loss::tooLong:
            return tr("it took too long to write");
        case ICalendarReader::Loss::missing:
            return ICalendarReader::reason(loss);
        case ICalendarReader::Loss::none:
        case ICalendarReader::Loss::failed:
        case ICalendarReader::Loss::killed:
            break;
        }
        return tr("writing it failed");
    }

    void take(const Frame& frame) override
    {
        if (const std::optional<Written> written = valueOf<Written>(frame))
            m_error = written->error;
        else if (std::optional<Reading> read = valueOf<Reading>(frame))
            m_read = std::move(read);
    }

    // One reader: a write is never tried twice.
    void ended(ICalendarReader::Loss loss) override
    {
        give(resultOf(loss));
        deleteLater();
    }

    QString resultOf(ICalendarReader::Loss loss) const
    {
        if (loss == ICalendarReader::Loss::none)
            return m_error;
        // Stopped after its rename and before it said so: saying it failed would have the user do it twice.
        if (landed())
            return {};
        return failure(m_cannot, reasonOf(loss));
    }

    const ReminderWrite m_write;
    const QString m_cannot;
    QString m_error;
    // The to-do's file as the reader read it before completing it.
    std::optional<Reading> m_read;
    ICalendarReader m_reader;
};

ICalendarReminders::ICalendarReminders(ICalendarReader::Limits reader, int fileLimit, qint64 byteLimit)
    : m_reader(std::move(reader))
    , m_fileLimit(fileLimit)
    , m_byteLimit(byteLimit)
{ }

ICalendarReminders::~ICalendarReminders() = default;

bool ICalendarReminders::isUsable(const QString& folder) const
{
    return !folder.isEmpty() && problem(folder).isEmpty();
}

QString ICalendarReminders::problem(const QString& folder) const
{
    if (folder.isEmpty())
        return {};
    const QFileInfo info(folder);
    QString why;
    if (!info.exists())
        why = QObject::tr("it is gone");
    else if (!info.isDir())
        why = QObject::tr("it is not a folder");
    else if (!info.isReadable() || !info.isExecutable())
        why = QObject::tr("it can't be read");
    else if (!info.isWritable())
        why = QObject::tr("it can't be written");
    return why.isEmpty() ? QString() : QObject::tr("Can't use the reminders folder: %1.").arg(why);
}

QString ICalendarReminders::prepare(const QString& folder)
{
    const QString cannot = QObject::tr("Can't use this folder for reminders");
    if (folder.isEmpty() || !PrivateFiles::ensureFolder(folder))
        return failure(cannot, QObject::tr("it can't be created"));
    QDir dir(folder);
    if (!dir.isReadable())
        return failure(cannot, QObject::tr("it can't be read"));
    // Root passes every permission check, so the only sure test is to make a file.
    QTemporaryFile probe(dir.filePath(QStringLiteral(".wisplet-probe-XXXXXX")));
    if (!probe.open())
        return failure(cannot, probe.errorString());
    return {};
}

QFuture<ReminderScan> ICalendarReminders::fetch(const QString& folder)
{
    auto* fetch = new Fetch(*this, folder);
    QFuture<ReminderScan> scan = fetch->future();
    fetch->start();
    return scan;
}

void ICalendarReminders::stopFetching()
{
    qDeleteAll(m_fetches.children());
}

QFuture<QString> ICalendarReminders::add(const QString& folder, const QString& uid, const QString& title,
                                         const QDateTime& now)
{
    Reminder reminder;
    reminder.file = uid + QStringLiteral(".ics");
    reminder.uid = uid;
    reminder.title = title;
    return (new Write(*this, {ReminderWrite::Kind::add, folder, reminder, now},
                      QObject::tr("Couldn't add the reminder")))
        ->future();
}

QFuture<QString> ICalendarReminders::complete(const QString& folder, const Reminder& reminder, const QDateTime& now)
{
    return (new Write(*this, {ReminderWrite::Kind::complete, folder, reminder, now},
                      QObject::tr("Couldn't complete the reminder")))
        ->future();
}

QList<ReminderWrite> ICalendarReminders::finishWrites(QDeadlineTimer deadline)
{
    QList<ReminderWrite> stopped;
    for (QObject* child : m_writes.children()) {
        auto* write = static_cast<Write*>(child);
        write->reader().finishWithin(deadline);
        if (write->reader().hasEnded())
            continue;
        // Killed half-way: what it was writing is kept for the next start, and its temporary goes now, as
        // no write of ours is making it any more.
        stopped.append(write->write());
        removeTemporariesOf(write->write().folder, write->write().reminder.file);
    }
    qDeleteAll(m_writes.children());
    return stopped;
}

bool ICalendarReminders::worthRetrying(const ReminderWrite& write, const QString& error) const
{
    const QDir folder(write.folder);
    if (!folder.exists())
        return false;
    const bool there = QFileInfo::exists(folder.filePath(write.reminder.file));
    // An add's file has a name only that add uses.
    if (write.kind == ReminderWrite::Kind::add)
        return !there;
    return there && error != ICalendarTodos::completionOfARemovedTodo();
}

void ICalendarReminders::removeTemporariesOf(const QString& folder, const QString& target)
{
    QDir dir(folder);
    for (const QString& name : dir.entryList({target + QStringLiteral(".~*")}, QDir::Files | QDir::Hidden)) {
        if (PrivateFiles::isTemporaryOf(name, target))
            dir.remove(name);
    }
}
