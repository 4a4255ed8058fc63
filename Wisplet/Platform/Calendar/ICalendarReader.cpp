#include "Wisplet/Platform/Calendar/ICalendarReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

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
    // would stop the reader before it starts; the sanitizer watches the resident memory instead, of which its
    // own bookkeeping takes about twice what the reader does.
    constexpr qint64 sanitizerShare = 3;
    const QString options = environment.value(QStringLiteral("ASAN_OPTIONS"));
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       options
                           + QStringLiteral(":hard_rss_limit_mb=%1").arg(sanitizerShare * memoryBytes / (1024 * 1024)));
#endif
    return environment;
}

} // namespace

ICalendarReader::ICalendarReader(Limits limits, Client& client, QObject* parent)
    : QObject(parent)
    , m_limits(std::move(limits))
    , m_client(client)
{
    m_deadline.setSingleShot(true);
    m_deadline.setTimerType(Qt::CoarseTimer);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        if (m_process)
            m_process->kill();
    });
}

ICalendarReader::~ICalendarReader()
{
    stopReader();
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
        break;
    }
    return tr("reading it failed");
}

void ICalendarReader::start()
{
    m_frames = FrameReader(m_limits.maxFrameBytes);
    m_current.reset();
    m_timedOut = false;
    auto* process = new QProcess(this);
    m_process = process;
    process->setProgram(m_limits.program);
    process->setStandardErrorFile(QProcess::nullDevice());
    process->setProcessEnvironment(readerEnvironment(m_limits.memoryBytes));
    process->setChildProcessModifier(
        [memory = rlim_t(m_limits.memoryBytes), program = ::getpid()] { limitReader(memory, program); });
    connect(process, &QProcess::readyReadStandardOutput, this, &ICalendarReader::takeOutput);
    connect(process, &QProcess::finished, this, [this, process](int exitCode, QProcess::ExitStatus status) {
        if (process == m_process)
            readerEnded(exitCode, status == QProcess::CrashExit);
    });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (process == m_process && error == QProcess::FailedToStart)
            finish(Ending::broken, Loss::missing);
    });
    m_deadline.start(m_limits.fileMs);
    process->start(QIODevice::ReadWrite);
    if (m_ended)
        return;
    process->write(m_client.request());
    process->closeWriteChannel();
}

void ICalendarReader::takeOutput()
{
    if (!m_process || m_ended)
        return;
    m_frames.append(m_process->readAllStandardOutput());
    while (const std::optional<Frame> frame = m_frames.next()) {
        // Any frame is progress: the next file gets its own time.
        m_deadline.start(m_limits.fileMs);
        m_current = frame->tag == Tag::reading ? valueOf<Reading>(*frame) : std::nullopt;
        m_client.take(*frame);
        if (isFinal(frame->tag)) {
            finish(Ending::done, Loss::none);
            return;
        }
    }
    if (m_frames.isBroken())
        m_process->kill();
}

void ICalendarReader::readerEnded(int exitCode, bool crashed)
{
    takeOutput();
    if (m_ended)
        return;
    m_deadline.stop();
    m_process->deleteLater();
    m_process = nullptr;
    const bool overran = m_timedOut || (crashed && exitCode == SIGXCPU);
    const Loss loss = overran ? Loss::tooLong : Loss::failed;
    if (!m_current) {
        finish(Ending::broken, loss);
        return;
    }
    const Reading lostOn = *m_current;
    m_client.lose(lostOn, loss);
    if (++m_lost >= m_limits.maxLost)
        finish(Ending::gaveUp, loss);
    else
        start();
}

void ICalendarReader::stopReader()
{
    m_deadline.stop();
    if (!m_process)
        return;
    QProcess* process = m_process;
    m_process = nullptr;
    process->disconnect(this);
    if (process->state() != QProcess::NotRunning) {
        process->kill();
        // A killed process is gone at once unless it is stuck in the kernel; this never waits long.
        process->waitForFinished(1000);
    }
    process->deleteLater();
}

void ICalendarReader::finish(Ending ending, Loss loss)
{
    if (m_ended)
        return;
    m_ended = true;
    m_deadline.stop();
    m_client.end(ending, loss);
}

void ICalendarReader::finishWithin(QDeadlineTimer deadline)
{
    while (!m_ended && m_process && !deadline.hasExpired())
        m_process->waitForFinished(int(qMax<qint64>(1, deadline.remainingTime())));
    stopReader();
}
