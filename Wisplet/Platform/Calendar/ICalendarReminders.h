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
    void finishWrites(QDeadlineTimer deadline) override;

private:
    class Fetch;
    class Write;

    // A file a reader was lost on, by path.
    struct Trouble
    {
        PrivateFiles::FileStamp stamp;
        QString reason;
    };

    const ICalendarReader::Limits m_reader;
    const int m_fileLimit;
    const qint64 m_byteLimit;
    QHash<QString, Trouble> m_trouble;
    // Parents of the work under way.
    QObject m_fetches;
    QObject m_writes;
};
