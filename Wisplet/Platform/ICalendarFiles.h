#pragma once

#include "Wisplet/Platform/CalendarSource.h"
#include "Wisplet/Platform/ICalendarFile.h"

#include <QDateTime>
#include <QHash>

#include <memory>

class QFileSystemWatcher;
class ScheduledCall;
class Scheduler;

// iCalendar files on disk, as calendar programs and sync tools keep them: a folder of .ics files and of
// collection folders holding .ics files (with an optional "color" file each), or a single .ics file.
// Parsed files are kept by path, size and modification time, so a refresh reads only what changed.
class ICalendarFiles final : public CalendarSource
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ICalendarFiles)

public:
    static constexpr int settleMs = 250;

    explicit ICalendarFiles(Scheduler& scheduler, QObject* parent = nullptr);
    ~ICalendarFiles() override;

    void setPath(const QString& path) override;
    QString path() const override { return m_path; }
    Access access() const override;
    QList<CalendarEvent> events(const QDateTime& from, const QDateTime& to) override;
    void setWatching(bool watching) override;

    // How many files were parsed since this source was made.
    int parseCount() const { return m_parseCount; }

private:
    struct Entry
    {
        qint64 size = -1;
        QDateTime modified;
        std::optional<ICalendarFile> file;
    };
    struct Listed
    {
        QString path;
        QColor color;
    };

    QList<Listed> listFiles() const;
    const std::optional<ICalendarFile>& load(const QString& path) const;
    void rewatch();
    void noteChange();

    Scheduler& m_scheduler;
    QString m_path;
    // Filled on reading, also by access(), which must parse a single file to know it is iCalendar.
    mutable QHash<QString, Entry> m_cache;
    QFileSystemWatcher* m_watcher = nullptr;
    std::unique_ptr<ScheduledCall> m_settle;
    mutable int m_parseCount = 0;
};
