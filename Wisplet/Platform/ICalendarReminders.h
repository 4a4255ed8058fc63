#pragma once

#include "Wisplet/Platform/RemindersSource.h"

// Reminders as iCalendar to-dos (VTODO), one folder of .ics files. Files other programs made are rewritten
// only to complete one of their to-dos, atomically and keeping their permission bits.
class ICalendarReminders final : public RemindersSource
{
public:
    ICalendarReminders() = default;
    Q_DISABLE_COPY_MOVE(ICalendarReminders)

    // Larger files are not to-do lists kept by hand or by a sync tool.
    static constexpr qint64 maxFileBytes = 16 * 1024 * 1024;
    static constexpr int maxFiles = 10'000;
    static constexpr qint64 maxScanBytes = 64 * 1024 * 1024;

    bool isUsable(const QString& folder) const override;
    QString problem(const QString& folder) const override;
    QString prepare(const QString& folder) override;
    QFuture<ReminderScan> fetch(const QString& folder) override;
    QString add(const QString& folder, const QString& uid, const QString& title, const QDateTime& now) override;
    QString complete(const QString& folder, const Reminder& reminder, const QDateTime& now) override;

    // The incomplete to-dos of one file's contents, in component order.
    static QList<Reminder> incompleteIn(const QByteArray& data, const QString& file);
    // The whole file with the matching to-do completed; empty when no to-do matches.
    static QByteArray completedIn(const QByteArray& data, const Reminder& reminder, const QDateTime& now);
    // The incomplete to-dos of the .ics files in the folder, by file name in byte order, as far as the limits go.
    static ReminderScan scan(const QString& folder, int fileLimit = maxFiles, qint64 byteLimit = maxScanBytes);
};
