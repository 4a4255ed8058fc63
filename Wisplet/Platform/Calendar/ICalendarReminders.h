#pragma once

#include "Wisplet/Platform/Calendar/ICalendarReader.h"
#include "Wisplet/Platform/RemindersSource.h"

#include <QHash>

// Reminders as iCalendar to-dos (VTODO), one folder of .ics files, read and written by reader processes
// (ICalendarTodos). A file a reader was lost on is passed over until it changes.
class ICalendarReminders final : public RemindersSource
{
public:
    // Larger files are not to-do lists kept by hand or by a sync tool.
    static constexpr qint64 maxFileBytes = 16 * 1024 * 1024;
    static constexpr int maxFiles = 10'000;
    static constexpr qint64 maxScanBytes = 64 * 1024 * 1024;

    explicit ICalendarReminders(ICalendarReader::Limits reader, int fileLimit = maxFiles,
                                qint64 byteLimit = maxScanBytes);
    ~ICalendarReminders() override;
    Q_DISABLE_COPY_MOVE(ICalendarReminders)

    bool isUsable(const QString& folder) const override;
    QString problem(const QString& folder) const override;
    QString prepare(const QString& folder) override;
    QFuture<ReminderScan> fetch(const QString& folder) override;
    void stopFetching() override;
    QFuture<QString> add(const QString& folder, const QString& uid, const QString& title,
                         const QDateTime& now) override;
    QFuture<QString> complete(const QString& folder, const Reminder& reminder, const QDateTime& now) override;
    QList<ReminderWrite> finishWrites(QDeadlineTimer deadline) override;
    bool worthRetrying(const ReminderWrite& write, const QString& error) const override;

    // How many files were read, not passed over as unchanged.
    int readCount() const { return m_reads; }

    // No write of ours lasts longer than its reader's deadline: a temporary twice that old is left over.
    static int sweepAfterSeconds(const ICalendarReader::Limits& limits) { return 2 * (limits.fileMs + 999) / 1000; }

private:
    class Fetch;
    class Write;

    static void removeTemporariesOf(const QString& folder, const QString& target);

    // What one file gave, by its name in the folder.
    struct File
    {
        PrivateFiles::FileStamp stamp;
        QList<Reminder> items;
        // Why it was not read, or a reader was lost on it; empty when it was read.
        QString problem;
        bool overran = false;
        // Its readers were killed from outside: read afresh at the next scan.
        bool killed = false;
    };

    const ICalendarReader::Limits m_reader;
    const int m_fileLimit;
    const qint64 m_byteLimit;
    // The folder last read, and what its files gave: they are not read again while they stay the same.
    QString m_folder;
    QHash<QString, File> m_files;
    int m_reads = 0;
    // Parents of the work under way.
    QObject m_fetches;
    QObject m_writes;
};
