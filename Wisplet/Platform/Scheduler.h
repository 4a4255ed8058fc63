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

    bool isPending(int id) const { return m_actions.contains(id); }
    void cancel(int id);

    QHash<int, std::function<void()>> m_actions;
};
