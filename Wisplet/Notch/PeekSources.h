#pragma once

#include <QString>

#include <optional>

// What the peek reads of the focus, calendar and media tools. Each tool's store implements its part.

enum class FocusPhase { idle, work, shortBreak, longBreak, countdown, stopwatch };

class FocusPeekSource
{
public:
    virtual ~FocusPeekSource() = default;

    virtual FocusPhase phase() const = 0;
    virtual bool isRunning() const = 0;
    // A break is due and its reminder is to be shown.
    virtual bool breakPrompt() const = 0;
    // The clock text: elapsed time for the stopwatch, remaining time otherwise; none while idle.
    virtual std::optional<QString> displayTime() const = 0;
};

class CalendarPeekSource
{
public:
    virtual ~CalendarPeekSource() = default;

    // The next timed event within the hour, as "Title · 12m"; none otherwise.
    virtual std::optional<QString> peekText() const = 0;
};

struct PeekTrack
{
    QString title;
    bool playing = false;
};

class MediaPeekSource
{
public:
    virtual ~MediaPeekSource() = default;

    // The track of the last poll; none before it, without a player and after stopping.
    virtual std::optional<PeekTrack> track() const = 0;
};
