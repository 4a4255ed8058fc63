#include "tests/support/TinyDisk.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

const char* fillerName = "filler";

} // namespace

TinyDisk::TinyDisk(qint64 bytes)
{
    if (qEnvironmentVariable("WISPLET_PRIVATE_MOUNTS") != QLatin1String("1")) {
        // Mounting outside a namespace of our own would change the machine's mounts.
        m_reason = QStringLiteral("not in a private mount namespace (register the test with PRIVATE_MOUNTS)");
        return;
    }
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0700";
    if (::mount("tinydisk", QFile::encodeName(path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                options.constData())
        != 0) {
        m_reason = QStringLiteral("cannot mount a tmpfs: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    m_mounted = true;
}

TinyDisk::~TinyDisk()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(path()).constData(), MNT_DETACH);
}

bool TinyDisk::fill()
{
    const int fd = ::open(QFile::encodeName(file(QString::fromLatin1(fillerName))).constData(),
                          O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const QByteArray block(4096, 'f');
    while (::write(fd, block.constData(), size_t(block.size())) > 0) {
    }
    // Single bytes for the rest of a partly used block.
    while (::write(fd, "f", 1) > 0) {
    }
    const bool full = errno == ENOSPC;
    ::close(fd);
    return full;
}

void TinyDisk::makeRoom()
{
    QFile::remove(file(QString::fromLatin1(fillerName)));
}

bool TinyDisk::makeReadOnly()
{
    return ::mount(nullptr, QFile::encodeName(path()).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}
