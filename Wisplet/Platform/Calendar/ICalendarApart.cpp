#include "Wisplet/Platform/Calendar/ICalendarApart.h"

#include <QDeadlineTimer>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ICalendarApart {

namespace {

using ICalendarWire::FileLoss;

[[noreturn]] void runChild(const std::function<QByteArray()>& work, int cpuMs, int output, pid_t reader)
{
    // Dies with the reader, which the program may kill at any moment.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != reader)
        ::_exit(1);
    // Processor time as the kernel counts it, so that a busy machine does not cut a file short; SIGPROF's
    // default ends the process.
    ::signal(SIGPROF, SIG_DFL);
    const itimerval allowance{{0, 0}, {cpuMs / 1000, (cpuMs % 1000) * 1000}};
    ::setitimer(ITIMER_PROF, &allowance, nullptr);
    const QByteArray bytes = work();
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t wrote = ::write(output, bytes.constData() + done, size_t(bytes.size() - done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            ::_exit(1);
        done += wrote;
    }
    // Nothing of the reader's (its exit handlers, a sanitizer's leak check) runs twice.
    ::_exit(0);
}

enum class Collected { whole, late, tooLarge };

// Reads what the child writes until it closes its end, the time is up or there is too much.
Collected collect(int input, QDeadlineTimer deadline, qint64 maxBytes, QByteArray& bytes)
{
    char chunk[64 * 1024];
    for (;;) {
        pollfd ready{input, POLLIN, 0};
        const int polled = ::poll(&ready, 1, int(qMax<qint64>(0, deadline.remainingTime())));
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled <= 0)
            return Collected::late;
        const ssize_t got = ::read(input, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return Collected::whole;
        bytes.append(chunk, got);
        if (bytes.size() > maxBytes)
            return Collected::tooLarge;
    }
}

} // namespace

Outcome run(const std::function<QByteArray()>& work, int cpuMs, int wallMs, qint64 maxBytes)
{
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        return {FileLoss::failed, {}};
    const pid_t reader = ::getpid();
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        runChild(work, cpuMs, pipe[1], reader);
    }
    ::close(pipe[1]);
    if (child < 0) {
        ::close(pipe[0]);
        return {FileLoss::failed, {}};
    }
    Outcome outcome;
    const Collected collected = collect(pipe[0], QDeadlineTimer(wallMs), maxBytes, outcome.bytes);
    ::close(pipe[0]);
    if (collected != Collected::whole)
        ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && collected == Collected::whole)
        return outcome;
    outcome.bytes.clear();
    const int signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    if (collected == Collected::late || (collected == Collected::whole && (signal == SIGPROF || signal == SIGXCPU)))
        outcome.loss = FileLoss::tooLong;
    else if (collected == Collected::whole
             && (signal == SIGKILL || signal == SIGTERM || signal == SIGINT || signal == SIGHUP))
        outcome.loss = FileLoss::killed;
    else
        outcome.loss = FileLoss::failed;
    return outcome;
}

} // namespace ICalendarApart
