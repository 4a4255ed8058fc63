#pragma once

#include "Wisplet/Platform/Calendar/ICalendarWire.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <optional>

class QProcess;

// Work on iCalendar files done in reader processes of our own (ICalendarReaderMain.cpp), where the program can
// stop it: a libical call cannot be interrupted, so a file that keeps one busy, makes it grow or crash must cost
// a process and never the program. Each reader has a wall-clock deadline for every file and limits of processor
// time and memory, and dies with the program. When a reader is lost on a file (it overran or crashed), the file
// is reported and a fresh reader takes a request made anew, so that it can pass that file over; after a few
// lost readers the work ends where it got to. Everything here runs on the main thread without waiting.
class ICalendarReader final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ICalendarReader)

public:
    struct Limits
    {
        QString program;
        // For each file, and for listing the files before the first.
        int fileMs = 5'000;
        qint64 memoryBytes = qint64(1) << 30;
        qint64 maxFrameBytes = 128 * 1024 * 1024;
        // Readers lost on files before the work ends with the rest unread.
        int maxLost = 3;

        // A request's header: the reader's processor time per file is the deadline's and a second more.
        ICalendarWire::Header headerFor(ICalendarWire::Job job) const { return {job, (fileMs + 999) / 1000 + 1}; }
    };

    enum class Loss {
        none,
        tooLong,
        failed, // it crashed, ran out of memory or said something that is no frame
        missing, // no reader could be started
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

        // The request for each new reader.
        virtual QByteArray request() = 0;
        virtual void take(const ICalendarWire::Frame& frame) = 0;
        // A reader was lost on this file; another one follows unless the work ends.
        virtual void lose(const ICalendarWire::Reading& file, Loss loss) = 0;
        // Once. The loss says why a broken work ended.
        virtual void end(Ending ending, Loss loss) = 0;
    };

    ICalendarReader(Limits limits, Client& client, QObject* parent = nullptr);
    // Stops the reader at work.
    ~ICalendarReader() override;

    // Where the program finds its reader: beside it, in the build tree as in an installed prefix.
    static QString standardProgram();
    // A loss in the user's words, as a reason after a file's name.
    static QString reason(Loss loss);

    // Starts a reader; after a lost one, the next.
    void start();
    bool hasEnded() const { return m_ended; }
    // Blocks until the work ends or the deadline passes; a reader still at work then is stopped. Only for a
    // write the user asked for just before quitting.
    void finishWithin(QDeadlineTimer deadline);

private:
    void takeOutput();
    void readerEnded(int exitCode, bool crashed);
    void stopReader();
    void finish(Ending ending, Loss loss);

    const Limits m_limits;
    Client& m_client;
    QPointer<QProcess> m_process;
    QTimer m_deadline{this};
    ICalendarWire::FrameReader m_frames{0};
    // The file the reader is on, between its reading frame and the next.
    std::optional<ICalendarWire::Reading> m_current;
    int m_lost = 0;
    bool m_timedOut = false;
    bool m_ended = false;
};
