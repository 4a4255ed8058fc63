#include "Wisplet/Platform/TerminationSignals.h"

#include "Wisplet/Platform/BusWaitLimit.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// Written by the handler, read on the main thread and by the guard: the only thing a signal handler may
// safely do.
int wakeFds[2] = {-1, -1};
int guardFds[2] = {-1, -1};
// Far longer than the main thread takes between two events, short enough to quit within 2 s after it.
constexpr std::chrono::milliseconds takeLimit{500};
constexpr std::array handledSignals{SIGINT, SIGTERM, SIGHUP};
// What each signal did before we took it over; restored when we let go.
std::array<struct sigaction, handledSignals.size()> previousActions{};
std::array<bool, handledSignals.size()> taken{};

void onSignal(int number)
{
    const char byte = char(number);
    [[maybe_unused]] const ssize_t written = ::write(wakeFds[0], &byte, 1);
    [[maybe_unused]] const ssize_t told = ::write(guardFds[0], &byte, 1);
}

bool readByte(int fd, char& byte)
{
    ssize_t got = 0;
    do
        got = ::read(fd, &byte, 1);
    while (got < 0 && errno == EINTR);
    return got == 1;
}

} // namespace

// Counts the signals received and those the main thread took; each one it has not taken yet is under a bus
// wait limit until it does.
struct TerminationSignals::Guard
{
    std::mutex mutex;
    std::condition_variable taken;
    quint64 received = 0;
    quint64 takenCount = 0;
    bool ending = false;
    std::thread thread;

    void watch()
    {
        char byte = 0;
        while (readByte(guardFds[1], byte)) {
            std::unique_lock lock(mutex);
            const quint64 number = ++received;
            const BusWaitLimit session(BusProbe::Bus::session, takeLimit);
            const BusWaitLimit system(BusProbe::Bus::system, takeLimit);
            taken.wait(lock, [this, number] { return takenCount >= number || ending; });
        }
    }

    void take()
    {
        {
            const std::scoped_lock lock(mutex);
            ++takenCount;
        }
        taken.notify_one();
    }

    void end()
    {
        {
            const std::scoped_lock lock(mutex);
            ending = true;
        }
        taken.notify_one();
        ::shutdown(guardFds[0], SHUT_WR);
        if (thread.joinable())
            thread.join();
    }
};

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent)
    , m_guard(std::make_unique<Guard>())
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, wakeFds) != 0
        || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, guardFds) != 0)
        return;
    m_guard->thread = std::thread([guard = m_guard.get()] { guard->watch(); });
    m_notifier = new QSocketNotifier(wakeFds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        if (::read(wakeFds[1], &byte, 1) != 1)
            return;
        m_guard->take();
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
    m_guard->end();
    for (int* fds : {wakeFds, guardFds}) {
        for (int i : {0, 1}) {
            if (fds[i] >= 0)
                ::close(fds[i]);
            fds[i] = -1;
        }
    }
}
