#pragma once

#include <QByteArray>

// iCalendar files that are within every size limit but keep libical busy for minutes, make it grow without
// end or crash it. `component` is VEVENT for a calendar, VTODO for a reminders list.
namespace HostileCalendars {

inline QByteArray calendar(const QByteArray& body)
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n" + body + "END:VCALENDAR\r\n";
}

// A readable one, starting at the given UTC time.
inline QByteArray good(const QByteArray& component, const QByteArray& uid, const QByteArray& start)
{
    return calendar("BEGIN:" + component + "\r\nUID:" + uid + "\r\nSUMMARY:" + uid + "\r\nDTSTART:" + start
                    + "\r\nDUE:" + start + "\r\nDURATION:PT1H\r\nEND:" + component + "\r\n");
}

// Each BEGIN opens a level of libical's tree, which it frees recursively: this deep, the stack overflows.
inline QByteArray nested(const QByteArray& component)
{
    constexpr int levels = 300'000;
    return calendar(("BEGIN:" + component + "\r\n").repeated(levels) + ("END:" + component + "\r\n").repeated(levels));
}

// A rule that never makes an occurrence: libical's first step looks for one for ever.
inline QByteArray neverMatching(const QByteArray& component)
{
    return calendar("BEGIN:" + component
                    + "\r\nUID:never\r\nSUMMARY:Never\r\nDTSTART:20300302T100000Z\r\nDUE:20300302T100000Z\r\n"
                      "RRULE:FREQ=MINUTELY;BYMONTH=2;BYMONTHDAY=30\r\nEND:"
                    + component + "\r\n");
}

// A zone that changes every minute: converting a time in it expands its rules without end.
inline QByteArray runawayZone(const QByteArray& component)
{
    return calendar("BEGIN:VTIMEZONE\r\nTZID:Runaway\r\nBEGIN:STANDARD\r\nDTSTART:19700101T000000\r\n"
                    "RRULE:FREQ=MINUTELY\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0000\r\nEND:STANDARD\r\n"
                    "BEGIN:DAYLIGHT\r\nDTSTART:19700101T000030\r\nRRULE:FREQ=MINUTELY\r\nTZOFFSETFROM:+0000\r\n"
                    "TZOFFSETTO:+0100\r\nEND:DAYLIGHT\r\nEND:VTIMEZONE\r\nBEGIN:"
                    + component
                    + "\r\nUID:zoned\r\nSUMMARY:Zoned\r\nDTSTART;TZID=Runaway:20300302T100000\r\n"
                      "DUE;TZID=Runaway:20300302T100000\r\nDURATION:PT1H\r\nEND:"
                    + component + "\r\n");
}

// One line of about `bytes`: libical's parsing of a line is quadratic in its length.
inline QByteArray hugeLine(const QByteArray& component, qint64 bytes)
{
    const QByteArray head = "BEGIN:" + component + "\r\nUID:line\r\nDTSTART:20300302T100000Z\r\nDESCRIPTION:";
    const QByteArray tail = "\r\nEND:" + component + "\r\n";
    return calendar(head + QByteArray(bytes - head.size() - tail.size() - 120, 'x') + tail);
}

} // namespace HostileCalendars
