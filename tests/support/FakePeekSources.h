#pragma once

#include "Wisplet/Notch/FileDropTarget.h"
#include "Wisplet/Notch/PeekSources.h"

// Peek sources set by hand; set() and the setters tell the island, as a tool's store would.
class FakeFocusPeek final : public FocusPeekSource
{

public:
    FocusPhase phase() const override { return time ? FocusPhase::work : FocusPhase::idle; }
    bool isRunning() const override { return running; }
    bool breakPrompt() const override { return prompt; }
    std::optional<QString> displayTime() const override { return time; }

    // A work session showing `clock`, or idle without one.
    void set(std::optional<QString> clock, bool isRunning)
    {
        time = std::move(clock);
        running = isRunning;
        emit peekChanged();
    }
    void setBreakPrompt(bool due)
    {
        prompt = due;
        emit peekChanged();
    }

    std::optional<QString> time;
    bool running = false;
    bool prompt = false;
};

class FakeCalendarPeek final : public CalendarPeekSource
{

public:
    std::optional<QString> peekText() const override { return text; }
    void set(std::optional<QString> value)
    {
        text = std::move(value);
        emit peekChanged();
    }

    std::optional<QString> text;
};

class FakeMediaPeek final : public MediaPeekSource
{

public:
    std::optional<PeekTrack> track() const override { return current; }
    void set(std::optional<PeekTrack> value)
    {
        current = std::move(value);
        emit peekChanged();
    }

    std::optional<PeekTrack> current;
};

// A file shelf that takes nothing.
class RefusingDropTarget final : public FileDropTarget
{
public:
    bool handleDrop(const QList<QUrl>&) override { return false; }
};
