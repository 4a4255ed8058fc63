#include "Wisplet/Platform/Calendar/ICalendarReminders.h"

#include "Wisplet/Platform/Calendar/ICalendarFolder.h"
#include "Wisplet/Platform/Calendar/ICalendarJob.h"
#include "Wisplet/Platform/Calendar/ICalendarTodos.h"
#include "Wisplet/Platform/PrivateFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryFile>

namespace {

using namespace ICalendarWire;
using ICalendarTodos::failure;

} // namespace

// One reading of the folder. A fresh reader after a lost one reads the folder again from the start, passing
// over the file the last was lost on, so what the lost one sent is dropped.
class ICalendarReminders::Fetch final : public ICalendarJob<ReminderScan>
{
public:
    Fetch(ICalendarReminders& source, QString folder)
        : ICalendarJob(source.m_reader, {}, &source.m_fetches)
        , m_source(source)
        , m_folder(std::move(folder))
    { }

private:
    QString pathOf(const QString& name) const { return QDir(m_folder).filePath(name); }

    QByteArray request() override
    {
        m_items.clear();
        m_skipped = {};
        RemindersRequest request{m_folder, m_source.m_fileLimit, m_source.m_byteLimit, maxFileBytes, {}};
        for (auto it = m_source.m_trouble.cbegin(); it != m_source.m_trouble.cend(); ++it) {
            const QString name = QFileInfo(it.key()).fileName();
            if (pathOf(name) == it.key())
                request.passOver.append(Known{name, it->stamp, {}, 0, true});
        }
        return requestOf(m_source.m_reader.headerFor(Job::reminders), request);
    }

    void take(const Frame& frame) override
    {
        if (const std::optional<Unchanged> same = valueOf<Unchanged>(frame)) {
            m_skipped.add(same->name, m_source.m_trouble.value(pathOf(same->name)).reason);
        } else if (std::optional<ReminderFile> file = valueOf<ReminderFile>(frame)) {
            m_items.append(file->items);
            if (!file->problem.isEmpty())
                m_skipped.add(file->name, file->problem);
        } else if (const std::optional<RemindersDone> done = valueOf<RemindersDone>(frame)) {
            m_done = *done;
        }
    }

    void lose(const Reading& file, ICalendarReader::Loss loss) override
    {
        m_source.m_trouble.insert(pathOf(file.name), Trouble{file.stamp, ICalendarReader::reason(loss)});
    }

    ReminderScan resultOf(ICalendarReader::Ending ending, ICalendarReader::Loss loss) override
    {
        if (ending == ICalendarReader::Ending::broken)
            return {{}, tr("Can't read the reminders: %1.").arg(ICalendarReader::reason(loss))};
        QStringList notes;
        if (m_done.moreFiles)
            notes.append(
                tr("Only the first %1 reminder files are read.").arg(QLocale().toString(m_source.m_fileLimit)));
        if (m_done.tooMuch || ending == ICalendarReader::Ending::gaveUp)
            notes.append(tr("Some reminder files are left out: the folder holds too much to read at once."));
        notes.append(m_skipped.note(tr("Skipped %1 reminder files that can't be read.")));
        notes.removeAll(QString());
        return {m_items, notes.join(u' ')};
    }

    ICalendarReminders& m_source;
    const QString m_folder;
    QList<Reminder> m_items;
    ICalendarFolder::Skipped m_skipped;
    RemindersDone m_done;
};

// An add or a completion: one reader, whose loss is the write's failure.
class ICalendarReminders::Write final : public ICalendarJob<QString>
{
public:
    Write(ICalendarReminders& source, QByteArray request, QString cannot)
        : ICalendarJob(limitsOf(source.m_reader), cannot, &source.m_writes)
        , m_request(std::move(request))
        , m_cannot(std::move(cannot))
    { }

private:
    static ICalendarReader::Limits limitsOf(ICalendarReader::Limits limits)
    {
        limits.maxLost = 1;
        return limits;
    }

    QByteArray request() override { return m_request; }

    void take(const Frame& frame) override
    {
        if (const std::optional<Written> written = valueOf<Written>(frame))
            m_error = written->error;
    }

    void lose(const Reading&, ICalendarReader::Loss) override { }

    QString resultOf(ICalendarReader::Ending ending, ICalendarReader::Loss loss) override
    {
        return ending == ICalendarReader::Ending::done ? m_error : failure(m_cannot, ICalendarReader::reason(loss));
    }

    const QByteArray m_request;
    const QString m_cannot;
    QString m_error;
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
    return (new Fetch(*this, folder))->start();
}

void ICalendarReminders::stopFetching()
{
    qDeleteAll(m_fetches.children());
}

QFuture<QString> ICalendarReminders::add(const QString& folder, const QString& uid, const QString& title,
                                         const QDateTime& now)
{
    const QByteArray request = requestOf(m_reader.headerFor(Job::add), AddRequest{folder, uid, title, now});
    return (new Write(*this, request, QObject::tr("Couldn't add the reminder")))->start();
}

QFuture<QString> ICalendarReminders::complete(const QString& folder, const Reminder& reminder, const QDateTime& now)
{
    const QByteArray request =
        requestOf(m_reader.headerFor(Job::complete), CompleteRequest{folder, reminder, now, maxFileBytes});
    return (new Write(*this, request, QObject::tr("Couldn't complete the reminder")))->start();
}

void ICalendarReminders::finishWrites(QDeadlineTimer deadline)
{
    for (QObject* write : m_writes.children())
        static_cast<Write*>(write)->reader().finishWithin(deadline);
    qDeleteAll(m_writes.children());
}
