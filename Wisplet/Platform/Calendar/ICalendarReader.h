#pragma once

#include "Wisplet/Platform/Calendar/ICalendarWire.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>

class QProcess;

// One request done by a reader process of our own (ICalendarReaderMain.cpp), where the program can stop it: a
// libical call cannot be interrupted, so a file that keeps one busy, makes it grow or crash must cost a process and
// never the program. The reader may spend so much processor time on each file and so much memory, and dies with the
// program. Everything here runs on the main thread without waiting.
class ICalendarReader final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ICalendarReader)

public:
    struct Limits
    {
        QString program;
        // What one file may cost: the reader's processor time for it.
        int cpuSecondsPerFile = 5;
        // Wall-clock time for one frame, and for the first: only for a reader that sleeps or is stopped, and
        // generous enough that a loaded machine never fails an ordinary file.
        int fileMs = 30'000;
        qint64 memoryBytes = qint64(512) << 20;
        qint64 maxFrameBytes = ICalendarWire::frameByteLimit;

        ICalendarWire::Header headerFor(ICalendarWire::Job job) const { return {job, cpuSecondsPerFile}; }
    };

    // How a reader ended.
    enum class Loss {
        none, // it gave its last frame
        tooLong, // it overran its processor time or the program's deadline
        failed, // it crashed, ran out of memory, said something that is no frame or ended without its last frame
        missing, // it could not be started
        killed, // killed from outside (the out-of-memory killer, a user's kill): nothing its work did
    };

    // What the work is; called on the main thread.
    class Client
    {
    public:
        Client() = default;
        virtual ~Client() = default;
        Q_DISABLE_COPY_MOVE(Client)

        virtual void take(const ICalendarWire::Frame& frame) = 0;
        // Once, unless the reader is stopped first; it may come from inside start().
        virtual void ended(Loss loss) = 0;
    };

    ICalendarReader(Limits limits, Client& client, QObject* parent = nullptr);
    ~ICalendarReader() override;

    // Where the program finds its reader: beside it, in the build tree as in an installed prefix.
    static QString standardProgram();
    // A loss in the user's words, as a reason after a file's name.
    static QString reason(Loss loss);

    void start(const QByteArray& request);
    // Stops the reader without a word to the client.
    void stop();
    bool hasEnded() const { return m_ended; }
    // Blocks until the reader ends or the deadline passes; a reader still at work then is stopped. Only for a write
    // the user asked for just before quitting.
    void finishWithin(QDeadlineTimer deadline);

private:
    void takeOutput();
    void end(Loss loss);

    const Limits m_limits;
    Client& m_client;
    QProcess* m_process = nullptr;
    ICalendarWire::FrameReader m_frames;
    QTimer m_deadline;
    // Killed by the program: for its deadline, or for what it said.
    bool m_timedOut = false;
    bool m_garbled = false;
    bool m_ended = false;
};
