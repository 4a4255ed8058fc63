#include "Wisplet/Platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <array>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Written by the handler, read on the main thread: the only thing a signal handler may safely do.
int wakeFds[2] = {-1, -1};
constexpr std::array handledSignals{SIGINT, SIGTERM, SIGHUP};
// What each signal did before we took it over; restored when we let go.
std::array<struct sigaction, handledSignals.size()> previousActions{};
std::array<bool, handledSignals.size()> taken{};

void onSignal(int number)
{
    const char byte = char(number);
    [[maybe_unused]] const ssize_t written = ::write(wakeFds[0], &byte, 1);
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, wakeFds) != 0)
        return;
    m_notifier = new QSocketNotifier(wakeFds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        if (::read(wakeFds[1], &byte, 1) == 1)
            emit terminationRequested(int(byte));
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < handledSignals.size(); ++i) {
        if (::sigaction(handledSignals[i], nullptr, &previousActions[i]) != 0)
            continue;
        // A signal ignored by whoever started us stays ignored: nohup ignores SIGHUP so that the program
        // outlives its terminal, and a script's background job ignores SIGINT.
        if (previousActions[i].sa_handler == SIG_IGN)
            continue;
        taken[i] = ::sigaction(handledSignals[i], &action, nullptr) == 0;
    }
}

TerminationSignals::~TerminationSignals()
{
    for (std::size_t i = 0; i < handledSignals.size(); ++i) {
        if (taken[i])
            ::sigaction(handledSignals[i], &previousActions[i], nullptr);
        taken[i] = false;
    }
    delete m_notifier;
    m_notifier = nullptr;
    for (int& fd : wakeFds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}
