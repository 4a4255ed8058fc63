#pragma once

#include "Wisplet/Platform/CalendarEvent.h"

#include <QFuture>
#include <QList>
#include <QObject>
#include <QString>

// What one reading of the calendar gave.
struct CalendarReading
{
    // Earliest start first.
    QList<CalendarEvent> events;
    // The source as a whole could not be read (a chosen file that is not a calendar, too large, …).
    bool unreadable = false;
    // Why nothing could be read, what was left out, or what is still being read; empty when everything was read.
    QString message;
    // Files that take long to read are still being read: their events come with a reading after changed().
    bool stillReading = false;
};

// The user's calendar: a folder of iCalendar files (with one level of collection folders) or one file.
class CalendarSource : public QObject
{
    Q_OBJECT

public:
    enum class Access {
        unset, // nothing configured yet
        readable,
        unreadable, // configured, but missing or not readable
    };

    using QObject::QObject;

    virtual void setPath(const QString& path) = 0;
    virtual QString path() const = 0;
    // Cheap enough for every refresh: it looks at the path, it reads no file.
    virtual Access access() const = 0;
    // Why the source is unreadable, in the user's words; empty otherwise.
    virtual QString problem() const = 0;
    // The occurrences that end after `after` and start by `to`, read where the program can stop the work,
    // within limits of size and work; what those limits left out is said in the reading's message.
    virtual QFuture<CalendarReading> read(const QDateTime& after, const QDateTime& to) = 0;
    // Stops the readings under way; their futures give an empty reading.
    virtual void cancel() = 0;
    // While on, changes on disk are reported through changed().
    virtual void setWatching(bool watching) = 0;

signals:
    // The files changed; one signal for a burst of changes.
    void changed();
};

class NullCalendarSource final : public CalendarSource
{
    Q_OBJECT

public:
    using CalendarSource::CalendarSource;

    void setPath(const QString&) override { }
    QString path() const override { return {}; }
    Access access() const override { return Access::unset; }
    QString problem() const override { return {}; }
    QFuture<CalendarReading> read(const QDateTime&, const QDateTime&) override
    {
        return QtFuture::makeReadyFuture(CalendarReading());
    }
    void cancel() override { }
    void setWatching(bool) override { }
};
