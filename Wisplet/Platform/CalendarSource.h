#pragma once

#include "Wisplet/Platform/CalendarEvent.h"

#include <QList>
#include <QObject>
#include <QString>

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
    virtual Access access() const = 0;
    // Every occurrence that overlaps [from, to], in no particular order.
    virtual QList<CalendarEvent> events(const QDateTime& from, const QDateTime& to) = 0;
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
    QList<CalendarEvent> events(const QDateTime&, const QDateTime&) override { return {}; }
    void setWatching(bool) override { }
};
