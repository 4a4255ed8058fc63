#pragma once

#include <QDeadlineTimer>
#include <QObject>

#include <chrono>
#include <memory>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal on the main thread, so that Ctrl+C, a kill or the end
// of the session runs the same orderly shutdown as quitting from the menu. A signal that was ignored when
// the program started (nohup ignores SIGHUP) stays ignored.
//
// The process ends within 2 s of the first signal whatever holds it: Qt waits on the main thread for a few
// peers of the session bus (its accessibility bridge asks the accessibility launcher whether a screen reader
// runs), and a peer that stops answering would hold the program for Qt's 25 s. So a signal the main thread
// has not taken within a second, or whose shutdown has not ended within 1.9 s, ends the process there and
// then, with the exit code of a shell's killed job (128 + the signal), leaving no temporary file of a write
// under way behind. Saving is the orderly shutdown's job, which every wait of it keeps inside quitDeadline().
class TerminationSignals final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TerminationSignals)

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // What the waits of an orderly quit may spend in all, so that it ends, its last saves and the program's
    // teardown included, well before the watchdog's 1.9 s.
    static constexpr std::chrono::milliseconds quitBudget{1500};
    // The one deadline of a quit that starts now: quitBudget from now, or from the first signal when one came
    // (the main thread may have taken it late).
    static QDeadlineTimer quitDeadline();

signals:
    void terminationRequested(int signalNumber);

private:
    struct Watchdog;

    QSocketNotifier* m_notifier = nullptr;
    std::unique_ptr<Watchdog> m_watchdog;
};
