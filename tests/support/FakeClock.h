#pragma once

#include "Wisplet/Platform/Clock.h"

// A clock that moves only when told. Wall and monotonic time advance together.
class FakeClock final : public Clock
{
public:
    explicit FakeClock(QDateTime now = QDateTime(QDate(2026, 3, 1), QTime(9, 30), Qt::UTC))
        : m_now(std::move(now))
    { }

    QDateTime now() const override { return m_now; }
    qint64 monotonicMs() const override { return m_monotonicMs; }

    void setNow(const QDateTime& now) { m_now = now; }
    void advance(qint64 ms)
    {
        m_now = m_now.addMSecs(ms);
        m_monotonicMs += ms;
    }

private:
    QDateTime m_now;
    qint64 m_monotonicMs = 1'000'000;
};
