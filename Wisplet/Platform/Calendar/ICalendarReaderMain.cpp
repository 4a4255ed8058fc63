// The calendar reader: a process of its own that reads and writes the user's iCalendar files for the program,
// so that a libical call that never returns, grows without end or crashes costs this process, which the
// program stops, and never the program. It reads one request from standard input and answers with frames on
// standard output (Wisplet/Platform/Calendar/ICalendarWire.h).

#include "Wisplet/Platform/Calendar/ICalendarScan.h"
#include "Wisplet/Platform/Calendar/ICalendarTodos.h"
#include "Wisplet/Platform/Calendar/ICalendarWire.h"

#include <cmath>
#include <sys/resource.h>
#include <unistd.h>

#include <libical/ical.h>

namespace {

using namespace ICalendarWire;

QByteArray readRequest()
{
    QByteArray request;
    return readAll(STDIN_FILENO, request, maxRequestBytes) == ReadAll::whole ? request : QByteArray();
}

// Each file, and the work between two frames, gets its own share of processor time: the limit is moved on from
// what was used so far. Past it the kernel ends the process, as the program's clock would a little later.
void allowProcessorTimeForOneFile(int seconds)
{
    rusage usage{};
    rlimit limit{};
    if (seconds <= 0 || ::getrusage(RUSAGE_SELF, &usage) != 0 || ::getrlimit(RLIMIT_CPU, &limit) != 0)
        return;
    const double used = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    const rlim_t wanted = rlim_t(std::ceil(used)) + rlim_t(seconds);
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
    ::setrlimit(RLIMIT_CPU, &limit);
}

template <typename Request>
std::optional<Request> requestFrom(QDataStream& in)
{
    Request request;
    in >> request;
    if (in.status() != QDataStream::Ok)
        return std::nullopt;
    return request;
}

// False when the request is not one this reader understands.
bool run(const QByteArray& bytes)
{
    QDataStream in(bytes);
    quint32 seen = 0;
    Header header;
    in >> seen >> header;
    if (in.status() != QDataStream::Ok || seen != version)
        return false;
    const Sink send = [cpu = header.cpuSecondsPerFile](const QByteArray& frame) {
        allowProcessorTimeForOneFile(cpu);
        // The program is gone or stopped reading: nothing more is of use.
        if (!writeAll(STDOUT_FILENO, frame))
            ::_exit(3);
    };
    allowProcessorTimeForOneFile(header.cpuSecondsPerFile);
    switch (header.job) {
    case Job::calendar:
        if (const auto request = requestFrom<CalendarRequest>(in)) {
            ICalendarScan::run(*request, send);
            return true;
        }
        return false;
    case Job::reminders:
        if (const auto request = requestFrom<RemindersRequest>(in)) {
            ICalendarTodos::scan(*request, send);
            return true;
        }
        return false;
    case Job::complete:
        if (const auto request = requestFrom<CompleteRequest>(in)) {
            send(frameOf(Written{ICalendarTodos::complete(*request, send)}));
            return true;
        }
        return false;
    case Job::add:
        if (const auto request = requestFrom<AddRequest>(in)) {
            send(frameOf(Written{ICalendarTodos::add(*request)}));
            return true;
        }
        return false;
    }
    return false;
}

} // namespace

int main()
{
    const bool understood = run(readRequest());
    icaltimezone_free_builtin_timezones();
    return understood ? 0 : 2;
}
