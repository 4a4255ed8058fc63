#pragma once

#include <QString>

#include <vector>

// Something that happened on the computer and that Wisp may react to.
struct WispEvent
{
    enum class Kind {
        meetingSoon, // text: the meeting's title
        musicStarted, // text: the track's title
        sale, // text: the formatted amount
        error, // text: the message
        clipboardCopied,
        focusStarted,
        focusEnded,
        breakDue,
        cpuHot,
        memoryPressure,
        batteryLow,
        batteryCharging,
        fileDragged,
    };

    Kind kind;
    QString text;

    static WispEvent meetingSoon(const QString& title) { return {Kind::meetingSoon, title}; }
    static WispEvent musicStarted(const QString& title) { return {Kind::musicStarted, title}; }
    static WispEvent sale(const QString& amount) { return {Kind::sale, amount}; }
    static WispEvent error(const QString& message) { return {Kind::error, message}; }
    static WispEvent of(Kind kind) { return {kind, {}}; }
};

// The examples the tray menu offers under "Try a reaction", in menu order.
struct WispEventSample
{
    QString id;
    WispEvent event;

    static const std::vector<WispEventSample>& all();
};
