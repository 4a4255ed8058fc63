#pragma once

#include <QFuture>
#include <QObject>
#include <QPromise>

// One piece of work done through reader processes whose outcome is a future. Deleted before it gives its result
// (a stop, a new path, its owner going), it gives `stopped`, so that whoever awaits the future goes on.
template <typename Result>
class ICalendarJob : public QObject
{
public:
    ICalendarJob(Result stopped, QObject* parent)
        : QObject(parent)
        , m_stopped(std::move(stopped))
    {
        m_promise.start();
    }

    ~ICalendarJob() override { give(m_stopped); }

    Q_DISABLE_COPY_MOVE(ICalendarJob)

    QFuture<Result> future() { return m_promise.future(); }

protected:
    // The outcome, once; the work may go on after it.
    void give(const Result& result)
    {
        if (m_given)
            return;
        m_given = true;
        m_promise.addResult(result);
        m_promise.finish();
    }
    bool hasGiven() const { return m_given; }

private:
    Result m_stopped;
    QPromise<Result> m_promise;
    bool m_given = false;
};
