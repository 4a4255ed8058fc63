#pragma once

#include "Wisplet/Platform/Calendar/ICalendarReader.h"

#include <QSet>

// A scan done by readers side by side, for a scan whose reader reads each file itself (the reminders'; the
// calendar's reader forks a process per file instead). A reader that stays on one file a while is left to finish or
// overrun it alone while a fresh one goes on with the rest, told to pass over the files the others are on. When a
// reader is lost on a file for what the file made it do (it overran or crashed), the file is reported and a fresh
// reader goes on with a request made anew, so that it can pass that file over; one killed from outside is tried once
// more first.
class ICalendarLanes final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ICalendarLanes)

public:
    // After this long on one file the rest is read beside it, by at most this many readers at once.
    static constexpr int patienceMs = 500;
    static constexpr int maxReaders = 2;

    // What the scan is; called on the main thread.
    class Client
    {
    public:
        Client() = default;
        virtual ~Client() = default;
        Q_DISABLE_COPY_MOVE(Client)

        // The request for each new reader; `elsewhere` are files other readers are on, to pass over.
        virtual QByteArray request(const QList<ICalendarWire::Reading>& elsewhere) = 0;
        virtual void take(const ICalendarWire::Frame& frame) = 0;
        // A reader was lost on this file (one it named in a reading frame); another one goes on.
        virtual void lose(const ICalendarWire::Reading& file, ICalendarReader::Loss loss) = 0;
        // Once: none when every reader is done, else why the scan broke off.
        virtual void ended(ICalendarReader::Loss loss) = 0;
    };

    ICalendarLanes(ICalendarReader::Limits limits, Client& client, QObject* parent = nullptr);
    ~ICalendarLanes() override;

    void start();

private:
    class Lane;

    void startLane();
    void takeFrame(Lane& lane, const ICalendarWire::Frame& frame);
    // The reader has been on one file a while: the rest goes on in another beside it.
    void spillFrom(Lane& lane);
    void laneEnded(Lane& lane, ICalendarReader::Loss loss);
    void retire(Lane& lane);
    // Ends the scan once the last frame came and no reader is left.
    void finishWhenIdle();
    void finish(ICalendarReader::Loss loss);

    const ICalendarReader::Limits m_limits;
    Client& m_client;
    // Readers at work; the last one reads the rest, the others only the slow file each is on.
    QList<Lane*> m_lanes;
    // The files whose readers were killed from outside ("" before any file): tried once more, once.
    QSet<QString> m_retried;
    // The last frame came; readers left on slow files may still be finishing them.
    bool m_lastFrameTaken = false;
    bool m_ended = false;
};
