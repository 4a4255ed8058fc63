#pragma once

#include <QHash>
#include <QObject>

#include <chrono>
#include <functional>
#include <memory>

// A call waiting in a Scheduler. Destroying the handle cancels the call, so an owner that keeps its handles
// as members can never be called back after it is gone.
class ScheduledCall
{
public:
    virtual ~ScheduledCall() = default;
    virtual bool isPending() const = 0;
};

// Delayed one-shot work behind a seam: the program runs it on precise Qt timers, tests fire it by hand.
class Scheduler
{
public:
    virtual ~Scheduler() = default;

    [[nodiscard]] virtual std::unique_ptr<ScheduledCall> callAfter(std::chrono::milliseconds delay,
                                                                   std::function<void()> action) = 0;
};

// Every waiting call is a precise timer of this one object: a call costs no object of its own, only its
// closure and a small handle.
class QtScheduler final : public QObject, public Scheduler
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QtScheduler)

public:
    explicit QtScheduler(QObject* parent = nullptr);
    ~QtScheduler() override;

    std::unique_ptr<ScheduledCall> callAfter(std::chrono::milliseconds delay, std::function<void()> action) override;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    class Call;

    // Qt hands out a finished timer's id again, so a handle names its call by timer id and serial: a stale
    // handle of a call that already ran must never cancel a newer call that got the same id.
    struct Pending
    {
        quint64 serial;
        std::function<void()> action;
    };

    bool isPending(int id, quint64 serial) const;
    void cancel(int id, quint64 serial);

    QHash<int, Pending> m_calls;
    quint64 m_lastSerial = 0;
};
