#pragma once

#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <thread>

// A bus daemon that answers a client's first line at once and then is slow: a proxy in front of a real
// daemon that passes each client's first line and the daemon's first answer, and holds everything after them
// until released. Runs on a thread of its own.
class HeldBusProxy final
{
public:
    // In front of the daemon at that local socket address ("unix:path=…").
    explicit HeldBusProxy(const QString& daemonAddress);
    ~HeldBusProxy();
    Q_DISABLE_COPY_MOVE(HeldBusProxy)

    // False when it could not listen.
    bool start();
    QString address() const { return m_address; }
    // What was held flows, and so does everything after it.
    void release() { m_released = true; }

private:
    void serve(int listener);

    QString m_daemonPath;
    QTemporaryDir m_dir;
    QString m_address;
    std::atomic<bool> m_released = false;
    std::atomic<bool> m_stopping = false;
    std::thread m_thread;
};
