#include "Wisplet/Platform/Calendar/ICalendarWire.h"

#include <QtEndian>

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace ICalendarWire {

namespace {

// Lists are read one item at a time, never reserved from the count they announce.
template <typename Item, typename Read>
QDataStream& readList(QDataStream& in, QList<Item>& items, Read read)
{
    quint32 count = 0;
    in >> count;
    items.clear();
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        Item item;
        read(in, item);
        if (in.status() == QDataStream::Ok)
            items.append(std::move(item));
    }
    return in;
}

template <typename Item, typename Write>
QDataStream& writeList(QDataStream& out, const QList<Item>& items, Write write)
{
    out << quint32(items.size());
    for (const Item& item : items)
        write(out, item);
    return out;
}

void writeEvent(QDataStream& out, const CalendarEvent& event)
{
    out << event.identifier << event.title << event.start << event.end << event.allDay << event.location << event.notes
        << event.url << event.color;
}

void readEvent(QDataStream& in, CalendarEvent& event)
{
    in >> event.identifier >> event.title >> event.start >> event.end >> event.allDay >> event.location >> event.notes
        >> event.url >> event.color;
}

void writeReminder(QDataStream& out, const Reminder& reminder)
{
    out << reminder.file << reminder.uid << reminder.recurrenceId << reminder.title << reminder.due
        << reminder.dueIsDate;
}

void readReminder(QDataStream& in, Reminder& reminder)
{
    in >> reminder.file >> reminder.uid >> reminder.recurrenceId >> reminder.title >> reminder.due
        >> reminder.dueIsDate;
}

void writeLeftOut(QDataStream& out, const std::optional<CalendarEvent>& event)
{
    out << event.has_value();
    if (event)
        writeEvent(out, *event);
}

void readLeftOut(QDataStream& in, std::optional<CalendarEvent>& event)
{
    bool present = false;
    in >> present;
    event.reset();
    if (present)
        readEvent(in, event.emplace());
}

void writeKnown(QDataStream& out, const Known& known)
{
    out << known.path << known.stamp << known.color << known.trouble;
}

void readKnown(QDataStream& in, Known& known)
{
    in >> known.path >> known.stamp >> known.color >> known.trouble;
}

void writeAllowance(QDataStream& out, const Allowance& allowance)
{
    out << allowance.cpuMs << allowance.wallMs << allowance.cpuMsPerMiB;
}

void readAllowance(QDataStream& in, Allowance& allowance)
{
    in >> allowance.cpuMs >> allowance.wallMs >> allowance.cpuMsPerMiB;
}

} // namespace

Allowance Allowance::forSize(qint64 bytes, const Allowance& most) const
{
    const qint64 more = qMax<qint64>(0, bytes) * cpuMsPerMiB / (1024 * 1024);
    return {qint32(qMin<qint64>(cpuMs + more, most.cpuMs)), qint32(qMin<qint64>(wallMs + 8 * more, most.wallMs)), 0};
}

bool isFinal(Tag tag)
{
    return tag == Tag::calendarDone || tag == Tag::remindersDone || tag == Tag::written;
}

QByteArray framed(Tag tag, const QByteArray& body)
{
    QByteArray frame(5, Qt::Uninitialized);
    qToBigEndian(quint32(body.size() + 1), frame.data());
    frame[4] = char(tag);
    return frame + body;
}

bool writeAll(int descriptor, const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t wrote = ::write(descriptor, bytes.constData() + done, size_t(bytes.size() - done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        done += wrote;
    }
    return true;
}

ReadAll readAll(int descriptor, QByteArray& bytes, qint64 maxBytes, QDeadlineTimer deadline)
{
    char chunk[64 * 1024];
    for (;;) {
        pollfd ready{descriptor, POLLIN, 0};
        const int polled =
            ::poll(&ready, 1, deadline.isForever() ? -1 : int(qMax<qint64>(0, deadline.remainingTime())));
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled < 0)
            return ReadAll::failed;
        if (polled == 0)
            return ReadAll::late;
        const ssize_t got = ::read(descriptor, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return ReadAll::failed;
        if (got == 0)
            return ReadAll::whole;
        bytes.append(chunk, got);
        if (bytes.size() > maxBytes)
            return ReadAll::tooLarge;
    }
}

std::optional<Frame> FrameReader::next()
{
    if (m_broken || m_buffer.size() - m_offset < 4)
        return std::nullopt;
    const quint32 length = qFromBigEndian<quint32>(m_buffer.constData() + m_offset);
    if (length == 0 || qint64(length) > m_maxFrameBytes) {
        m_broken = true;
        return std::nullopt;
    }
    if (m_buffer.size() - m_offset - 4 < qsizetype(length))
        return std::nullopt;
    Frame frame;
    frame.tag = Tag(quint8(m_buffer.at(m_offset + 4)));
    frame.body = m_buffer.mid(m_offset + 5, length - 1);
    m_offset += 4 + length;
    // What was handed out is dropped once it is most of the buffer, so a long run costs no copying per frame.
    if (m_offset > m_buffer.size() / 2) {
        m_buffer.remove(0, m_offset);
        m_offset = 0;
    }
    return frame;
}

QDataStream& operator<<(QDataStream& out, const PrivateFiles::FileStamp& stamp)
{
    return out << stamp.exists << stamp.device << stamp.inode << stamp.size << stamp.modifiedNs << stamp.changedNs;
}

QDataStream& operator>>(QDataStream& in, PrivateFiles::FileStamp& stamp)
{
    return in >> stamp.exists >> stamp.device >> stamp.inode >> stamp.size >> stamp.modifiedNs >> stamp.changedNs;
}

QDataStream& operator<<(QDataStream& out, const Header& header)
{
    return out << quint8(header.job) << header.cpuSecondsPerFile;
}

QDataStream& operator>>(QDataStream& in, Header& header)
{
    quint8 job = 0;
    in >> job >> header.cpuSecondsPerFile;
    header.job = Job(job);
    return in;
}

QDataStream& operator<<(QDataStream& out, const CalendarRequest& request)
{
    const CalendarLimits& limits = request.limits;
    out << request.path << request.after << request.to << limits.maxFileBytes << limits.maxFiles << limits.maxFolders
        << limits.maxEvents << limits.maxSteps << limits.maxMilliseconds;
    writeList(out, request.known, writeKnown);
    writeAllowance(out, request.slice);
    return writeList(out, request.tail, writeAllowance);
}

QDataStream& operator>>(QDataStream& in, CalendarRequest& request)
{
    CalendarLimits& limits = request.limits;
    in >> request.path >> request.after >> request.to >> limits.maxFileBytes >> limits.maxFiles >> limits.maxFolders
        >> limits.maxEvents >> limits.maxSteps >> limits.maxMilliseconds;
    readList(in, request.known, readKnown);
    readAllowance(in, request.slice);
    return readList(in, request.tail, readAllowance);
}

QDataStream& operator<<(QDataStream& out, const RemindersRequest& request)
{
    out << request.folder << request.maxFiles << request.maxBytes << request.maxFileBytes;
    return writeList(out, request.passOver, writeKnown) << request.sweepAfterSeconds;
}

QDataStream& operator>>(QDataStream& in, RemindersRequest& request)
{
    in >> request.folder >> request.maxFiles >> request.maxBytes >> request.maxFileBytes;
    return readList(in, request.passOver, readKnown) >> request.sweepAfterSeconds;
}

QDataStream& operator<<(QDataStream& out, const CompleteRequest& request)
{
    out << request.folder;
    writeReminder(out, request.reminder);
    return out << request.now << request.maxFileBytes;
}

QDataStream& operator>>(QDataStream& in, CompleteRequest& request)
{
    in >> request.folder;
    readReminder(in, request.reminder);
    return in >> request.now >> request.maxFileBytes;
}

QDataStream& operator<<(QDataStream& out, const AddRequest& request)
{
    return out << request.folder << request.uid << request.title << request.now;
}

QDataStream& operator>>(QDataStream& in, AddRequest& request)
{
    return in >> request.folder >> request.uid >> request.title >> request.now;
}

QDataStream& operator<<(QDataStream& out, const Reading& frame)
{
    return out << frame.name << frame.stamp;
}

QDataStream& operator>>(QDataStream& in, Reading& frame)
{
    return in >> frame.name >> frame.stamp;
}

QDataStream& operator<<(QDataStream& out, const Unchanged& frame)
{
    return out << frame.name;
}

QDataStream& operator>>(QDataStream& in, Unchanged& frame)
{
    return in >> frame.name;
}

QDataStream& operator<<(QDataStream& out, const CalendarFile& frame)
{
    out << frame.path << frame.stamp << frame.color << frame.parsed << frame.expanded << frame.cut;
    writeLeftOut(out, frame.beyond.underWay);
    writeLeftOut(out, frame.beyond.toCome);
    out << frame.problem << quint8(frame.loss);
    return writeList(out, frame.events, writeEvent);
}

QDataStream& operator>>(QDataStream& in, CalendarFile& frame)
{
    quint8 loss = 0;
    in >> frame.path >> frame.stamp >> frame.color >> frame.parsed >> frame.expanded >> frame.cut;
    readLeftOut(in, frame.beyond.underWay);
    readLeftOut(in, frame.beyond.toCome);
    in >> frame.problem >> loss;
    frame.loss = FileLoss(loss);
    return readList(in, frame.events, readEvent);
}

QDataStream& operator<<(QDataStream& out, const CalendarSliced& frame)
{
    return out << frame.moreFiles;
}

QDataStream& operator>>(QDataStream& in, CalendarSliced& frame)
{
    return in >> frame.moreFiles;
}

QDataStream& operator<<(QDataStream& out, const CalendarDone&)
{
    return out;
}

QDataStream& operator>>(QDataStream& in, CalendarDone&)
{
    return in;
}

QDataStream& operator<<(QDataStream& out, const ReminderFile& frame)
{
    out << frame.name << frame.stamp << frame.problem;
    return writeList(out, frame.items, writeReminder);
}

QDataStream& operator>>(QDataStream& in, ReminderFile& frame)
{
    in >> frame.name >> frame.stamp >> frame.problem;
    return readList(in, frame.items, readReminder);
}

QDataStream& operator<<(QDataStream& out, const RemindersDone& frame)
{
    return out << frame.moreFiles << frame.tooMuch;
}

QDataStream& operator>>(QDataStream& in, RemindersDone& frame)
{
    return in >> frame.moreFiles >> frame.tooMuch;
}

QDataStream& operator<<(QDataStream& out, const Written& frame)
{
    return out << frame.error;
}

QDataStream& operator>>(QDataStream& in, Written& frame)
{
    return in >> frame.error;
}

} // namespace ICalendarWire
