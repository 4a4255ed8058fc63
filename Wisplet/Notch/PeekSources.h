#pragma once

#include <QObject>
#include <QString>

#include <optional>

// What the peek reads of the focus, calendar and media tools. Each tool's store implements its part.

// Each source says when what it reports may read differently, so the island shows the change.
class PeekSource : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PeekSource)

public:
    using QObject::QObject;

signals:
    void peekChanged();
};

enum class FocusPhase { idle, work, shortBreak, longBreak, countdown, stopwatch };

class FocusPeekSource : public PeekSource
{
    Q_OBJECT

public:
    using PeekSource::PeekSource;

    virtual FocusPhase phase() const = 0;
    virtual bool isRunning() const = 0;
    // A break is due and its reminder is to be shown.
    virtual bool breakPrompt() const = 0;
    // The clock text: elapsed time for the stopwatch, remaining time otherwise; none while idle.
    virtual std::optional<QString> displayTime() const = 0;
};

class CalendarPeekSource : public PeekSource
{
    Q_OBJECT

public:
    using PeekSource::PeekSource;

    // The next timed event within the hour, as "Title · 12m"; none otherwise.
    virtual std::optional<QString> peekText() const = 0;
};

struct PeekTrack
{
    QString title;
    bool playing = false;
};

class MediaPeekSource : public PeekSource
{
    Q_OBJECT

public:
    using PeekSource::PeekSource;

    // The track of the last poll; none before it, without a player and after stopping.
    virtual std::optional<PeekTrack> track() const = 0;
};
