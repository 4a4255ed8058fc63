#pragma once

#include "Wisplet/Platform/Calendar/ICalendarReader.h"

#include <QFuture>
#include <QPromise>

// One piece of work done through reader processes whose outcome is a future. It deletes itself once the work
// ends; deleted before, it stops its reader and gives `stopped`, so that whoever awaits the future goes on.
template <typename Result>
class ICalendarJob : public QObject, protected ICalendarReader::Client
{
public:
    ICalendarJob(const ICalendarReader::Limits& limits, Result stopped, QObject* parent)
        : QObject(parent)
        , m_stopped(std::move(stopped))
        , m_reader(limits, *this)
    {
        m_promise.start();
    }

    ~ICalendarJob() override
    {
        if (!m_reader.hasEnded())
            deliver(m_stopped);
    }

    Q_DISABLE_COPY_MOVE(ICalendarJob)

    QFuture<Result> start()
    {
        QFuture<Result> future = m_promise.future();
        m_reader.start();
        return future;
    }

    ICalendarReader& reader() { return m_reader; }

protected:
    virtual Result resultOf(ICalendarReader::Ending ending, ICalendarReader::Loss loss) = 0;

private:
    void end(ICalendarReader::Ending ending, ICalendarReader::Loss loss) final
    {
        deliver(resultOf(ending, loss));
        deleteLater();
    }

    void deliver(const Result& result)
    {
        m_promise.addResult(result);
        m_promise.finish();
    }

    Result m_stopped;
    QPromise<Result> m_promise;
    ICalendarReader m_reader;
};
