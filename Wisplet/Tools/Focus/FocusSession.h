#pragma once

#include "Wisplet/Notch/PeekSources.h"
#include "Wisplet/Platform/StoredJson.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>

#include <optional>

// The focus session as it is kept across restarts: a compact JSON object stored as data in the defaults.
struct FocusSession
{
    FocusPhase phase = FocusPhase::idle;
    bool running = false;
    double remaining = 0;
    double elapsed = 0;
    std::optional<StoredJson::Date> end;
    std::optional<StoredJson::Date> start;
    double duration = 1;
    qint64 cycle = 0;
    // Newest first.
    QList<double> laps;

    // None when a number is not finite (JSON cannot hold it); the stored snapshot then stays as it was.
    std::optional<QByteArray> encode() const;
    // Strict: a missing or mistyped key, or an unknown phase, makes the whole document unreadable. A snapshot
    // without a positive, finite duration is not accepted either. One that claims to run but cannot (a timed
    // phase without its end, a stopwatch without its start, or idle) comes back paused.
    static std::optional<FocusSession> decode(const QByteArray& bytes);
    // Storing this session would change nothing: it is what the stored bytes restore (none, or unreadable ones,
    // restore a fresh session).
    bool isRestoredFrom(const QByteArray& stored) const;

    friend bool operator==(const FocusSession&, const FocusSession&) = default;
};
