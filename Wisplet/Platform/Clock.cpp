#include "Wisplet/Platform/Clock.h"

#include <QDeadlineTimer>

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTimeUtc();
}

qint64 SystemClock::monotonicMs() const
{
    // A deadline of 0 ms is "now" on the monotonic clock.
    return QDeadlineTimer(0).deadline();
}
