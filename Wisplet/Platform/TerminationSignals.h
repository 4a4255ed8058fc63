#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal on the main thread, so that Ctrl+C, a kill or the end
// of the session runs the same orderly shutdown as quitting from the menu. A signal that was ignored when
// the program started (nohup ignores SIGHUP) stays ignored. A signal the main thread has not taken in half a
// second finds it held where Qt waits on a bus (a peer or daemon that stopped answering): this process's
// connections to the buses are then cut (see BusWaitLimit), so that the wait ends and the quit begins.
class TerminationSignals final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TerminationSignals)

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void terminationRequested(int signalNumber);

private:
    struct Guard;

    QSocketNotifier* m_notifier = nullptr;
    std::unique_ptr<Guard> m_guard;
};
