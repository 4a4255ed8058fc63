#pragma once

#include "Wisplet/Platform/Calendar/ICalendarWire.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QSet>

#include <limits>

// Work on iCalendar files done in reader processes of our own (ICalendarReaderMain.cpp), where the program can
// stop it: a libical call cannot be interrupted, so a file that keeps one busy, makes it grow or crash must cost
// a process and never the program. A reader may spend so much processor time on each file and so much memory,
// and dies with the program. A reader that stays on one file for a while leaves it to finish or overrun there
// while the rest goes on in a reader beside it, so a bad file never holds up the good ones. When a reader is
// lost on a file for what the file made it do (it overran or crashed), the file is reported and a fresh reader
// takes a request made anew, so that it can pass that file over; one killed from outside is tried once more
// first. (The calendar's reader reads each file in a process of its own, so it is never lost on one.) Everything
// here runs on the main thread without waiting.
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
        // Wall-clock time for one file, and for listing the files before the first: only for a reader that
        // sleeps or is stopped, and generous enough that a loaded machine never fails an ordinary file.
        int fileMs = 30'000;
        // After this long on one file the rest is read beside it, by at most this many readers at once.
        int patienceMs = 500;
        int maxReaders = 2;
        qint64 memoryBytes = qint64(512) << 20;
        // What a calendar file gets first, in processor and wall-clock time: enough for any ordinary file, little
        // enough that a hundred files that need more cost a second or two before the rest is read.
        int sliceCpuMs = 15;
        int sliceWallMs = 250;
        qint64 maxFrameBytes = ICalendarWire::frameByteLimit;
        // Readers lost on files before the work ends with the rest unread: a reading goes on past any number,
        // a write is not tried twice.
        int maxLost = std::numeric_limits<int>::max();
        // A reader killed from outside (the out-of-memory killer, a user's kill) is started again once
        // before its file is named.
        bool retryOutsideKills = true;

        ICalendarWire::Header headerFor(ICalendarWire::Job job) const { return {job, cpuSecondsPerFile}; }
    };

    enum class Loss {
        none,
        tooLong,
        failed, // it crashed, ran out of memory or said something that is no frame
        missing, // no reader could be started
        killed, // killed from outside again: nothing the file did, so it is tried afresh at the next reading
    };
    enum class Ending {
        done,
        gaveUp, // too many readers were lost; what they had not reached is unread
        broken, // a reader was lost on no file in particular, or none could be started
    };

    // What the work is; called on the main thread.
    class Client
    {
    public:
        Client() = default;
        virtual ~Client() = default;
        Q_DISABLE_COPY_MOVE(Client)

        // The request for each new reader; `elsewhere` are files other readers are on, to pass over.
        virtual QByteArray request(const QList<ICalendarWire::Reading>& elsewhere) = 0;
        virtual void take(const ICalendarWire::Frame& frame) = 0;
        // A reader was lost on this file (one it named in a reading frame); another one follows unless the work
        // ends.
        virtual void lose(const ICalendarWire::Reading& file, Loss loss)
        {
            Q_UNUSED(file)
            Q_UNUSED(loss)
        }
        // Once. The loss says why a broken work ended.
        virtual void end(Ending ending, Loss loss) = 0;
    };

    ICalendarReader(Limits limits, Client& client, QObject* parent = nullptr);
    // Stops the readers at work.
    ~ICalendarReader() override;

    // Where the program finds its reader: beside it, in the build tree as in an installed prefix.
    static QString standardProgram();
    // A loss in the user's words, as a reason after a file's name.
    static QString reason(Loss loss);

    // Starts a reader; after a lost one, the next.
    void start();
    bool hasEnded() const { return m_ended; }
    // Blocks until the work ends or the deadline passes; readers still at work then are stopped. Only for a
    // write the user asked for just before quitting.
    void finishWithin(QDeadlineTimer deadline);

private:
    class Lane;

    void startLane();
    void takeOutput(Lane& lane);
    void takeFrame(Lane& lane, const ICalendarWire::Frame& frame);
    // The reader has been on one file a while: the rest goes on in another beside it.
    void spillFrom(Lane& lane);
    void laneEnded(Lane& lane, Loss loss, bool outside);
    void retire(Lane& lane);
    // Ends the work once the last frame came and no reader is left.
    void finishWhenIdle();
    void finish(Ending ending, Loss loss);
    QList<ICalendarWire::Reading> filesElsewhere() const;

    const Limits m_limits;
    Client& m_client;
    // Readers at work; the last one reads the rest, the others only the slow file each is on.
    QList<Lane*> m_lanes;
    // The files whose readers were killed from outside ("" before any file): tried once more, once.
    QSet<QString> m_retried;
    int m_lost = 0;
    // The last frame came; readers left on slow files may still be finishing them.
    bool m_lastFrameTaken = false;
    bool m_ended = false;
};
