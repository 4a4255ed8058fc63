#include "Wisplet/Platform/Calendar/ICalendarReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <optional>
#include <utility>

#include <csignal>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using namespace ICalendarWire;

// Runs in the new process between fork and exec: only system calls.
void limitReader(rlim_t memoryBytes, pid_t program)
{
    // Dies with the program, however the program ends; and a program already gone has no use for it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != program)
        ::_exit(1);
    // A hostile file that crashes it leaves no core dump behind.
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
#ifdef __SANITIZE_ADDRESS__
    Q_UNUSED(memoryBytes)
#else
    const rlimit memory{memoryBytes, memoryBytes};
    ::setrlimit(RLIMIT_AS, &memory);
#endif
}

QProcessEnvironment readerEnvironment([[maybe_unused]] qint64 memoryBytes)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
#ifdef __SANITIZE_ADDRESS__
    // AddressSanitizer reserves terabytes of address space for its shadow memory, so an address-space limit
    // would stop the reader before it starts; the sanitizer watches the resident memory instead, which its
    // own bookkeeping about doubles: a list that outgrows the address space in a plain build outgrows this.
    constexpr qint64 sanitizerShare = 2;
    const QString options = environment.value(QStringLiteral("ASAN_OPTIONS"));
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       options
                           + QStringLiteral(":hard_rss_limit_mb=%1").arg(sanitizerShare * memoryBytes / (1024 * 1024)));
#endif
    return environment;
}

} // namespace

// One reader process and what it says.
class ICalendarReader::Lane final : public QObject
{
public:
    explicit Lane(ICalendarReader& reader)
        : QObject(&reader)
        , m_frames(reader.m_limits.maxFrameBytes)
    {
        m_deadline.setSingleShot(true);
        m_deadline.setTimerType(Qt::CoarseTimer);
        m_patience.setTimerType(Qt::CoarseTimer);
    }

    ~Lane() override { stop(); }
    Q_DISABLE_COPY_MOVE(Lane)

    // Stops the process without a word to anyone.
    void stop()
    {
        m_deadline.stop();
        m_patience.stop();
        if (!m_process)
            return;
        QProcess* process = std::exchange(m_process, nullptr);
        process->disconnect();
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            // A killed process is gone at once unless it is stuck in the kernel; this never waits long.
            process->waitForFinished(1000);
        }
        process->deleteLater();
    }

    QProcess* m_process = nullptr;
    FrameReader m_frames;
    // The file the reader is on, between its reading frame and the next.
    std::optional<Reading> m_current;
    QTimer m_deadline{this};
    QTimer m_patience{this};
    // The rest is read beside it: this one only finishes the file it is on.
    bool m_spilled = false;
    // Killed by the program: for its deadline, or for what it said.
    bool m_timedOut = false;
    bool m_garbled = false;
};

ICalendarReader::ICalendarReader(Limits limits, Client& client, QObject* parent)
    : QObject(parent)
    , m_limits(std::move(limits))
    , m_client(client)
{ }

ICalendarReader::~ICalendarReader()
{
    // The lanes are children; their readers are stopped as they go.
    m_lanes.clear();
}

QString ICalendarReader::standardProgram()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + u'/' + QStringLiteral(WISPLET_READER_PATH));
}

QString ICalendarReader::reason(Loss loss)
{
    switch (loss) {
    case Loss::tooLong:
        return tr("it took too long to read");
    case Loss::missing:
        return tr("the calendar reader could not be started");
    case Loss::none:
    case Loss::failed:
    case Loss::killed:
        break;
    }
    return tr("reading it failed");
}

void ICalendarReader::start()
{
    startLane();
}

QList<Reading> ICalendarReader::filesElsewhere() const
{
    QList<Reading> files;
    for (const auto& lane : m_lanes) {
        if (lane->m_current)
            files.append(*lane->m_current);
    }
    return files;
}

void ICalendarReader::startLane()
{
    const QByteArray request = m_client.request(filesElsewhere());
    auto& lane = *m_lanes.emplace_back(new Lane(*this));
    auto* process = new QProcess(&lane);
    lane.m_process = process;
    process->setProgram(m_limits.program);
    process->setStandardErrorFile(QProcess::nullDevice());
    process->setProcessEnvironment(readerEnvironment(m_limits.memoryBytes));
    process->setChildProcessModifier(
        [memory = rlim_t(m_limits.memoryBytes), program = ::getpid()] { limitReader(memory, program); });
    connect(&lane.m_deadline, &QTimer::timeout, &lane, [&lane] {
        lane.m_timedOut = true;
        lane.m_process->kill();
    });
    connect(&lane.m_patience, &QTimer::timeout, this, [this, &lane] { spillFrom(lane); });
    connect(process, &QProcess::readyReadStandardOutput, this, [this, &lane] { takeOutput(lane); });
    connect(process, &QProcess::finished, this, [this, &lane](int exitCode, QProcess::ExitStatus status) {
        takeOutput(lane);
        if (!lane.m_process || m_ended)
            return;
        const bool crashed = status == QProcess::CrashExit;
        // What the program did to it, or the kernel for the limits the program set, is the file's doing.
        const bool overran = lane.m_timedOut || (crashed && exitCode == SIGXCPU);
        const bool outside = crashed && !lane.m_timedOut && !lane.m_garbled
            && (exitCode == SIGKILL || exitCode == SIGTERM || exitCode == SIGINT || exitCode == SIGHUP);
        laneEnded(lane, overran ? Loss::tooLong : Loss::failed, outside);
    });
    connect(process, &QProcess::errorOccurred, this, [this, &lane](QProcess::ProcessError error) {
        if (lane.m_process && error == QProcess::FailedToStart)
            finish(Ending::broken, Loss::missing);
    });
    lane.m_deadline.start(m_limits.fileMs);
    process->start(QIODevice::ReadWrite);
    if (m_ended)
        return;
    process->write(request);
    process->closeWriteChannel();
}

void ICalendarReader::takeOutput(Lane& lane)
{
    if (!lane.m_process || m_ended)
        return;
    lane.m_frames.append(lane.m_process->readAllStandardOutput());
    while (lane.m_process && !m_ended) {
        const std::optional<Frame> frame = lane.m_frames.next();
        if (!frame)
            break;
        takeFrame(lane, *frame);
    }
    if (lane.m_process && lane.m_frames.isBroken()) {
        lane.m_garbled = true;
        lane.m_process->kill();
    }
}

void ICalendarReader::takeFrame(Lane& lane, const Frame& frame)
{
    // A reader left on its slow file is done once it says what that file gave; the next reader has the rest.
    if (lane.m_spilled && frame.tag != Tag::reading) {
        if (!isFinal(frame.tag))
            m_client.take(frame);
        retire(lane);
        finishWhenIdle();
        return;
    }
    // Any frame is progress: the next file gets its own time.
    lane.m_deadline.start(m_limits.fileMs);
    lane.m_current = frame.tag == Tag::reading ? valueOf<Reading>(frame) : std::nullopt;
    if (lane.m_current)
        lane.m_patience.start(m_limits.patienceMs);
    else
        lane.m_patience.stop();
    m_client.take(frame);
    if (isFinal(frame.tag)) {
        retire(lane);
        m_lastFrameTaken = true;
        finishWhenIdle();
    }
}

void ICalendarReader::spillFrom(Lane& lane)
{
    if (m_ended || lane.m_spilled || !lane.m_current || m_lanes.size() >= m_limits.maxReaders)
        return;
    lane.m_spilled = true;
    lane.m_patience.stop();
    startLane();
}

void ICalendarReader::laneEnded(Lane& lane, Loss loss, bool outside)
{
    const std::optional<Reading> lostOn = lane.m_current;
    const bool spilled = lane.m_spilled;
    retire(lane);
    // Not what the file did: it gets one more reader before it is named. That reader passes over what the
    // others are on and have read, so after a spilled reader it reads little more than this file.
    const QString key = lostOn ? lostOn->name : QString();
    if (outside && m_limits.retryOutsideKills && !m_retried.contains(key)) {
        m_retried.insert(key);
        startLane();
        return;
    }
    if (!lostOn) {
        finish(Ending::broken, loss);
        return;
    }
    m_client.lose(*lostOn, outside ? Loss::killed : loss);
    if (++m_lost >= m_limits.maxLost)
        finish(Ending::gaveUp, loss);
    else if (spilled)
        finishWhenIdle();
    else
        startLane();
}

void ICalendarReader::retire(Lane& lane)
{
    lane.stop();
    // It may be inside one of its own signals.
    if (m_lanes.removeOne(&lane))
        lane.deleteLater();
}

void ICalendarReader::finishWhenIdle()
{
    if (m_lastFrameTaken && m_lanes.isEmpty())
        finish(Ending::done, Loss::none);
}

void ICalendarReader::finish(Ending ending, Loss loss)
{
    if (m_ended)
        return;
    m_ended = true;
    while (!m_lanes.isEmpty())
        retire(*m_lanes.constLast());
    m_client.end(ending, loss);
}

void ICalendarReader::finishWithin(QDeadlineTimer deadline)
{
    while (!m_ended && !m_lanes.isEmpty() && !deadline.hasExpired())
        m_lanes.constFirst()->m_process->waitForFinished(int(qMax<qint64>(1, deadline.remainingTime())));
    while (!m_lanes.isEmpty())
        retire(*m_lanes.constLast());
}
