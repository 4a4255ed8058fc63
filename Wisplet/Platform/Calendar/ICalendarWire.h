#pragma once

#include "Wisplet/Platform/Calendar/EarliestEvents.h"
#include "Wisplet/Platform/CalendarEvent.h"
#include "Wisplet/Platform/PrivateFiles.h"
#include "Wisplet/Platform/RemindersSource.h"

#include <QByteArray>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QIODevice>
#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

// What the program and its calendar reader process say to each other. The program writes one request to
// the reader's standard input; the reader answers with frames on its standard output, one per file as it
// finishes it. A frame is its length (4 bytes, big-endian) and then its QDataStream text, which starts with its tag.
namespace ICalendarWire {

// Changed whenever a request or a frame changes, so that a reader of another build refuses the request.
inline constexpr quint32 version = 4;
inline constexpr qint64 maxRequestBytes = 64 * 1024 * 1024;
inline constexpr qint64 frameByteLimit = 128 * 1024 * 1024;

enum class Job : quint8 { calendar = 1, reminders, complete, add };

// The work of every request: how much processor time the reader may spend on one file.
struct Header
{
    Job job = Job::calendar;
    qint32 cpuSecondsPerFile = 0;
};

// The calendar's limits, as ICalendarFiles describes them. Each file has them to itself.
struct CalendarLimits
{
    qint64 maxFileBytes = 8 * 1024 * 1024;
    qint32 maxFiles = 10'000;
    qint32 maxFolders = 1'000;
    qint32 maxEvents = 2'000;
    // The expansion of one file's rules.
    qint64 maxSteps = 200'000;
    qint32 maxMilliseconds = 3'000;
};

// A file the program already knows: passed over while it is still the same.
struct Known
{
    QString path;
    PrivateFiles::FileStamp stamp;
    QString color;
    // Lost a reader before, or is being read elsewhere: passed over whatever its folder's colour.
    bool trouble = false;
};

// What one try at a file may cost, in a process of its own: processor time, and wall-clock time for a process that
// is stopped or starved.
struct Allowance
{
    qint32 cpuMs = 0;
    qint32 wallMs = 0;
    // More for a larger file, since what a good file costs grows with its size: processor time per MiB, and eight
    // times as much wall-clock time.
    qint32 cpuMsPerMiB = 0;

    // What a file of this size gets, never more than `most`.
    Allowance forSize(qint64 bytes, const Allowance& most) const;
};

struct CalendarRequest
{
    QString path;
    QDateTime after;
    QDateTime to;
    CalendarLimits limits;
    QList<Known> known;
    // Every file's first try. The files that outgrow it are then tried with each allowance of the tail in turn,
    // smallest first; without a tail they are left to a later reading.
    Allowance slice;
    QList<Allowance> tail;
};

struct RemindersRequest
{
    QString folder;
    qint32 maxFiles = 0;
    qint64 maxBytes = 0;
    qint64 maxFileBytes = 0;
    // Files (by name) read before, or that lost a reader, or that another reader is on, while the same.
    QList<Known> passOver;
    // Temporaries of our writes older than this are removed: no write of ours can still be making them.
    qint32 sweepAfterSeconds = 0;
};

struct CompleteRequest
{
    QString folder;
    Reminder reminder;
    QDateTime now;
    qint64 maxFileBytes = 0;
};

struct AddRequest
{
    QString folder;
    QString uid;
    QString title;
    QDateTime now;
};

enum class Tag : quint8 {
    reading = 1,
    unchanged,
    calendarFile,
    calendarDone,
    reminderFile,
    remindersDone,
    written,
    calendarSliced,
};

// The reader starts on a file.
struct Reading
{
    static constexpr Tag tag = Tag::reading;
    QString name;
    PrivateFiles::FileStamp stamp;
};

// A known file is still the same.
struct Unchanged
{
    static constexpr Tag tag = Tag::unchanged;
    QString name;
};

// Why a file's own process gave no reading of it.
enum class FileLoss : quint8 {
    none,
    outgrew, // it needs more time than this try had: it is tried again with more
    tooLong, // it used up its processor time
    failed, // it crashed or ran out of memory
    killed, // killed, stopped or starved from outside: nothing the file did
};

struct CalendarFile
{
    static constexpr Tag tag = Tag::calendarFile;
    QString path;
    PrivateFiles::FileStamp stamp;
    QString color;
    QList<CalendarEvent> events;
    bool parsed = false;
    bool expanded = false;
    // The work ran out while expanding it.
    bool cut = false;
    // What was left out for the limit on events kept.
    EarliestEvents::Beyond beyond;
    // Why it was not read; empty when it was.
    QString problem;
    FileLoss loss = FileLoss::none;
};

// Every file has had its first try.
struct CalendarSliced
{
    static constexpr Tag tag = Tag::calendarSliced;
    bool moreFiles = false;
};

// The tail is done too.
struct CalendarDone
{
    static constexpr Tag tag = Tag::calendarDone;
};

struct ReminderFile
{
    static constexpr Tag tag = Tag::reminderFile;
    QString name;
    PrivateFiles::FileStamp stamp;
    QList<Reminder> items;
    QString problem;
};

struct RemindersDone
{
    static constexpr Tag tag = Tag::remindersDone;
    bool moreFiles = false;
    bool tooMuch = false;
};

struct Written
{
    static constexpr Tag tag = Tag::written;
    // Empty on success.
    QString error;
};

// The last frame of each job.
bool isFinal(Tag tag);

struct Frame
{
    Tag tag = Tag::reading;
    QByteArray body;
};

using Sink = std::function<void(const QByteArray& frame)>;

QDataStream& operator<<(QDataStream& out, const PrivateFiles::FileStamp& stamp);
QDataStream& operator>>(QDataStream& in, PrivateFiles::FileStamp& stamp);
QDataStream& operator<<(QDataStream& out, const Header& header);
QDataStream& operator>>(QDataStream& in, Header& header);
QDataStream& operator<<(QDataStream& out, const CalendarRequest& request);
QDataStream& operator>>(QDataStream& in, CalendarRequest& request);
QDataStream& operator<<(QDataStream& out, const RemindersRequest& request);
QDataStream& operator>>(QDataStream& in, RemindersRequest& request);
QDataStream& operator<<(QDataStream& out, const CompleteRequest& request);
QDataStream& operator>>(QDataStream& in, CompleteRequest& request);
QDataStream& operator<<(QDataStream& out, const AddRequest& request);
QDataStream& operator>>(QDataStream& in, AddRequest& request);
QDataStream& operator<<(QDataStream& out, const Reading& frame);
QDataStream& operator>>(QDataStream& in, Reading& frame);
QDataStream& operator<<(QDataStream& out, const Unchanged& frame);
QDataStream& operator>>(QDataStream& in, Unchanged& frame);
QDataStream& operator<<(QDataStream& out, const CalendarFile& frame);
QDataStream& operator>>(QDataStream& in, CalendarFile& frame);
QDataStream& operator<<(QDataStream& out, const CalendarSliced& frame);
QDataStream& operator>>(QDataStream& in, CalendarSliced& frame);
QDataStream& operator<<(QDataStream& out, const CalendarDone& frame);
QDataStream& operator>>(QDataStream& in, CalendarDone& frame);
QDataStream& operator<<(QDataStream& out, const ReminderFile& frame);
QDataStream& operator>>(QDataStream& in, ReminderFile& frame);
QDataStream& operator<<(QDataStream& out, const RemindersDone& frame);
QDataStream& operator>>(QDataStream& in, RemindersDone& frame);
QDataStream& operator<<(QDataStream& out, const Written& frame);
QDataStream& operator>>(QDataStream& in, Written& frame);

// The whole request: the version, the header, then the job's own request.
template <typename Request>
QByteArray requestOf(const Header& header, const Request& request)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << version << header << request;
    return bytes;
}

QByteArray framed(Tag tag, const QByteArray& body);

// The bytes of requests and frames through a descriptor, whatever interrupts the calls.
bool writeAll(int descriptor, const QByteArray& bytes);
enum class ReadAll { whole, late, tooLarge, failed };
// Reads until the other end closes, the deadline passes or there is more than `maxBytes`.
ReadAll readAll(int descriptor, QByteArray& bytes, qint64 maxBytes, QDeadlineTimer deadline = QDeadlineTimer::Forever);
// The tag of a frame made by framed().
inline Tag tagOf(const QByteArray& frame)
{
    return Tag(quint8(frame.at(4)));
}

template <typename Value>
QByteArray frameOf(const Value& value)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out << value;
    return framed(Value::tag, body);
}

// The frame's value, when it is one of this kind and reads whole.
template <typename Value>
std::optional<Value> valueOf(const Frame& frame)
{
    if (frame.tag != Value::tag)
        return std::nullopt;
    Value value;
    QDataStream in(frame.body);
    in >> value;
    if (in.status() != QDataStream::Ok)
        return std::nullopt;
    return value;
}

// Splits what a reader wrote into frames; refuses a frame larger than the limit.
class FrameReader final
{
public:
    explicit FrameReader(qint64 maxFrameBytes)
        : m_maxFrameBytes(maxFrameBytes)
    { }

    void append(const QByteArray& bytes) { m_buffer.append(bytes); }
    // The next whole frame, if one is there.
    std::optional<Frame> next();
    // A frame announced a length over the limit, or no tag.
    bool isBroken() const { return m_broken; }

private:
    qint64 m_maxFrameBytes;
    QByteArray m_buffer;
    qsizetype m_offset = 0;
    bool m_broken = false;
};

} // namespace ICalendarWire
