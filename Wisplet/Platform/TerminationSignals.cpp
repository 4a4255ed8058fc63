#include "Wisplet/Platform/TerminationSignals.h"

#include "Wisplet/Platform/PrivateFiles.h"

#include <QSocketNotifier>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <sys/socket.h>
#include <thread>
#include <time.h>
#include <unistd.h>

namespace {

// Written by the handler, read on the main thread and by the watchdog: the only thing a signal handler may
// safely do. The handler's ends never block: a byte already waiting says the same.
int wakeFds[2] = {-1, -1};
int watchdogFds[2] = {-1, -1};
constexpr std::chrono::milliseconds takeLimit{1000};
constexpr std::chrono::milliseconds endLimit{1900};
static_assert(TerminationSignals::quitBudget + std::chrono::milliseconds(300) <= endLimit,
              "the last saves and the teardown after the quit's waits need time before the watchdog ends it");
constexpr std::array handledSignals{SIGINT, SIGTERM, SIGHUP};
// What each signal did before we took it over; restored when we let go.
std::array<struct sigaction, handledSignals.size()> previousActions{};
std::array<bool, handledSignals.size()> taken{};
// When the first signal came, in nanoseconds of the monotonic clock QDeadlineTimer reads; 0 before one came.
std::atomic<qint64> firstSignalNs{0};
static_assert(std::atomic<qint64>::is_always_lock_free, "the signal handler writes it");
constexpr qint64 nsPerSecond = 1'000'000'000;

void onSignal(int number)
{
    const int savedErrno = errno;
    timespec now = {};
    if (::clock_gettime(CLOCK_MONOTONIC, &now) == 0) {
        qint64 none = 0;
        firstSignalNs.compare_exchange_strong(none, qint64(now.tv_sec) * nsPerSecond + now.tv_nsec);
    }
    const char byte = char(number);
    [[maybe_unused]] const ssize_t woken = ::write(wakeFds[0], &byte, 1);
    [[maybe_unused]] const ssize_t told = ::write(watchdogFds[0], &byte, 1);
    errno = savedErrno;
}

bool openPair(int (&fds)[2])
{
    return ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0
        && ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK) == 0;
}

} // namespace

// Ends the process when the main thread does not take the first signal, or the shutdown does not end, in time.
struct TerminationSignals::Watchdog
{
    std::mutex mutex;
    std::condition_variable changed;
    bool taken = false;
    bool ending = false;
    std::thread thread;

    void watch()
    {
        char byte = 0;
        ssize_t got = 0;
        do
            got = ::read(watchdogFds[1], &byte, 1);
        while (got < 0 && errno == EINTR);
        if (got != 1)
            return;
        const auto received = std::chrono::steady_clock::now();
        std::unique_lock lock(mutex);
        const bool tookIt = changed.wait_until(lock, received + takeLimit, [this] { return taken || ending; });
        if (tookIt && changed.wait_until(lock, received + endLimit, [this] { return ending; }))
            return;
        // As main's own end does, so that a write cut short leaves no temporary file in the user's folder.
        PrivateFiles::abandonWritesInFlight();
        ::_exit(128 + byte);
    }

    void take()
    {
        {
            const std::scoped_lock lock(mutex);
            taken = true;
        }
        changed.notify_one();
    }

    void end()
    {
        {
            const std::scoped_lock lock(mutex);
            ending = true;
        }
        changed.notify_one();
        ::shutdown(watchdogFds[0], SHUT_WR);
        if (thread.joinable())
            thread.join();
    }
};

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent)
    , m_watchdog(std::make_unique<Watchdog>())
{
    firstSignalNs = 0;
    if (!openPair(wakeFds) || !openPair(watchdogFds))
        return;
    m_watchdog->thread = std::thread([watchdog = m_watchdog.get()] { watchdog->watch(); });
    m_notifier = new QSocketNotifier(wakeFds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        if (::read(wakeFds[1], &byte, 1) != 1)
            return;
        m_watchdog->take();
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

QDeadlineTimer TerminationSignals::quitDeadline()
{
    QDeadlineTimer deadline(quitBudget, Qt::PreciseTimer);
    if (const qint64 signalled = firstSignalNs.load(); signalled != 0) {
        const qint64 end = signalled + std::chrono::nanoseconds(quitBudget).count();
        QDeadlineTimer fromSignal;
        fromSignal.setPreciseDeadline(end / nsPerSecond, end % nsPerSecond, Qt::PreciseTimer);
        deadline = std::min(deadline, fromSignal);
    }
    return deadline;
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
    m_watchdog->end();
    for (int* fds : {wakeFds, watchdogFds}) {
        for (int i : {0, 1}) {
            if (fds[i] >= 0)
                ::close(fds[i]);
            fds[i] = -1;
        }
    }
}
