#include "Wisplet/Platform/DesktopOpener.h"

#include "Wisplet/Platform/Platform.h"
#include "Wisplet/Platform/Scheduler.h"

#include <QProcess>
#include <QUrl>

#include <algorithm>
#include <array>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>

namespace {

// A file in memory of errorBytes that cannot grow: writes past its end fail, so it never holds more. -1 when
// none can be made; the opener then writes where the program does.
int boundedErrorFile()
{
    const int file = ::memfd_create("opener-errors", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (file < 0)
        return -1;
    if (::ftruncate(file, DesktopOpener::errorBytes) != 0
        || ::fcntl(file, F_ADD_SEALS, F_SEAL_GROW | F_SEAL_SHRINK | F_SEAL_SEAL) != 0) {
        ::close(file);
        return -1;
    }
    return file;
}

// The first line with something on it; the file's unwritten rest is zeros.
QString firstLine(int file)
{
    std::array<char, DesktopOpener::errorBytes> bytes{};
    const ssize_t got = file < 0 ? 0 : ::pread(file, bytes.data(), bytes.size(), 0);
    const QByteArray written(bytes.data(), qsizetype(qstrnlen(bytes.data(), size_t(std::max<ssize_t>(got, 0)))));
    for (const QByteArray& line : written.split('\n')) {
        QString text = QString::fromUtf8(line);
        text.removeIf([](QChar ch) { return ch.category() == QChar::Other_Control; });
        if (!text.trimmed().isEmpty())
            return text.trimmed();
    }
    return {};
}

// One address handed to the opener, while it is watched.
struct Watch
{
    DesktopOpener::Failed failed;
    std::unique_ptr<ScheduledCall> deadline;
    int errors = -1;

    ~Watch() { stop(); }
    void report(const QString& why)
    {
        if (failed)
            failed(why, firstLine(errors));
        stop();
    }
    // Whatever the opener does from now on goes unheard.
    void stop()
    {
        failed = {};
        deadline.reset();
        if (errors >= 0)
            ::close(std::exchange(errors, -1));
    }
};

} // namespace

DesktopOpener::DesktopOpener(Scheduler& scheduler, QString program, QObject* parent)
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_program(std::move(program))
{ }

DesktopOpener& DesktopOpener::shared()
{
    static auto* opener = new DesktopOpener(Platform::scheduler());
    return *opener;
}

void DesktopOpener::open(const QUrl& url, Failed failed)
{
    auto watch = std::make_shared<Watch>();
    watch->failed = std::move(failed);
    watch->errors = boundedErrorFile();
    auto* process = new QProcess(this);
    process->setProgram(m_program);
    process->setArguments({QString::fromLatin1(url.toEncoded())});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->setChildProcessModifier([errors = watch->errors] {
        // A session of its own, as a detached program has: a signal to our terminal does not reach the browser.
        ::setsid();
        if (errors >= 0)
            ::dup2(errors, STDERR_FILENO);
    });
    connect(process, &QProcess::finished, this, [this, watch, process](int code, QProcess::ExitStatus status) {
        if (status == QProcess::CrashExit)
            watch->report(QStringLiteral("%1 was ended by signal %2").arg(m_program).arg(code));
        else if (code != 0)
            watch->report(QStringLiteral("%1 ended with status %2").arg(m_program).arg(code));
        watch->stop();
        process->deleteLater();
    });
    connect(process, &QProcess::errorOccurred, this, [this, watch, process](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        watch->report(QStringLiteral("%1 could not be started (%2)").arg(m_program, process->errorString()));
        process->deleteLater();
    });
    watch->deadline = m_scheduler.callAfter(watchTime, [watch] { watch->stop(); });
    process->start();
}
