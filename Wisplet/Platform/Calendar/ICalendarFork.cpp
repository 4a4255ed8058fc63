#include "Wisplet/Platform/Calendar/ICalendarFork.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ICalendarFork {

namespace {

using ICalendarWire::FileLoss;
using ICalendarWire::ReadAll;

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
    const bool sent = ICalendarWire::writeAll(output, work());
    // Nothing of the reader's (its exit handlers, a sanitizer's leak check) runs twice.
    ::_exit(sent ? 0 : 1);
}

} // namespace

Outcome run(const std::function<QByteArray()>& work, ICalendarWire::Allowance allowance, qint64 maxBytes)
{
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        return {FileLoss::failed, {}};
    const pid_t reader = ::getpid();
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        runChild(work, allowance.cpuMs, pipe[1], reader);
    }
    ::close(pipe[1]);
    if (child < 0) {
        ::close(pipe[0]);
        return {FileLoss::failed, {}};
    }
    Outcome outcome;
    const ReadAll read = ICalendarWire::readAll(pipe[0], outcome.bytes, maxBytes, QDeadlineTimer(allowance.wallMs));
    ::close(pipe[0]);
    if (read != ReadAll::whole)
        ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && read == ReadAll::whole)
        return outcome;
    outcome.bytes.clear();
    const int signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    if (signal == SIGPROF || signal == SIGXCPU)
        outcome.loss = FileLoss::tooLong;
    else if (read == ReadAll::late
             || (read == ReadAll::whole
                 && (signal == SIGKILL || signal == SIGTERM || signal == SIGINT || signal == SIGHUP)))
        outcome.loss = FileLoss::killed;
    else
        outcome.loss = FileLoss::failed;
    return outcome;
}

} // namespace ICalendarFork
