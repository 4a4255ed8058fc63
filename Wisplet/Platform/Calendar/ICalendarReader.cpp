#include "Wisplet/Platform/Calendar/ICalendarReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTimer>

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

ICalendarReader::ICalendarReader(Limits limits, Client& client, QObject* parent)
    : QObject(parent)
    , m_limits(std::move(limits))
    , m_client(client)
    , m_frames(m_limits.maxFrameBytes)
{
    m_deadline.setSingleShot(true);
    m_deadline.setTimerType(Qt::CoarseTimer);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        m_process->kill();
    });
}

ICalendarReader::~ICalendarReader()
{
    stop();
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

void ICalendarReader::start(const QByteArray& request)
{
    auto* process = new QProcess(this);
    m_process = process;
    process->setProgram(m_limits.program);
    process->setStandardErrorFile(QProcess::nullDevice());
    process->setProcessEnvironment(readerEnvironment(m_limits.memoryBytes));
    process->setChildProcessModifier(
        [memory = rlim_t(m_limits.memoryBytes), program = ::getpid()] { limitReader(memory, program); });
    connect(process, &QProcess::readyReadStandardOutput, this, &ICalendarReader::takeOutput);
    connect(process, &QProcess::finished, this, [this](int exitCode, QProcess::ExitStatus status) {
        takeOutput();
        if (!m_process || m_ended)
            return;
        const bool crashed = status == QProcess::CrashExit;
        // What the program did to it, or the kernel for the limits the program set, is the work's doing.
        if (m_timedOut || (crashed && exitCode == SIGXCPU))
            end(Loss::tooLong);
        else if (crashed && !m_garbled
                 && (exitCode == SIGKILL || exitCode == SIGTERM || exitCode == SIGINT || exitCode == SIGHUP))
            end(Loss::killed);
        else
            end(Loss::failed);
    });
    connect(process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (m_process && error == QProcess::FailedToStart)
            end(Loss::missing);
    });
    m_deadline.start(m_limits.fileMs);
    process->start(QIODevice::ReadWrite);
    if (!m_process)
        return;
    process->write(request);
    process->closeWriteChannel();
}

void ICalendarReader::stop()
{
    m_deadline.stop();
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

void ICalendarReader::takeOutput()
{
    if (!m_process)
        return;
    m_frames.append(m_process->readAllStandardOutput());
    while (m_process) {
        const std::optional<Frame> frame = m_frames.next();
        if (!frame)
            break;
        // Any frame is progress: the next file gets its own time.
        m_deadline.start(m_limits.fileMs);
        m_client.take(*frame);
        if (isFinal(frame->tag))
            end(Loss::none);
    }
    if (m_process && m_frames.isBroken()) {
        m_garbled = true;
        m_process->kill();
    }
}

void ICalendarReader::end(Loss loss)
{
    if (m_ended)
        return;
    m_ended = true;
    stop();
    m_client.ended(loss);
}

void ICalendarReader::finishWithin(QDeadlineTimer deadline)
{
    while (m_process && !deadline.hasExpired())
        m_process->waitForFinished(int(qMax<qint64>(1, deadline.remainingTime())));
    stop();
}
