#pragma once

#include <QString>
#include <QTemporaryDir>

// A small tmpfs, mounted in the test's own mount namespace (tests registered with PRIVATE_MOUNTS): a disk
// that really fills up or turns read-only, which stops root as well. Unmounted when it goes.
class TinyDisk final
{
public:
    explicit TinyDisk(qint64 bytes = 200 * 1024);
    ~TinyDisk();
    Q_DISABLE_COPY_MOVE(TinyDisk)

    // False outside a private mount namespace or where mounting is not permitted; reason() says why.
    bool isMounted() const { return m_mounted; }
    QString reason() const { return m_reason; }
    QString path() const { return m_folder.path(); }
    QString file(const QString& relative) const { return m_folder.filePath(relative); }

    // Takes every free byte with a filler file.
    bool fill();
    // Gives the filled bytes back.
    void makeRoom();
    bool makeReadOnly();

private:
    QTemporaryDir m_folder;
    bool m_mounted = false;
    QString m_reason;
};

// Skips the test when the disk could not be mounted (no namespaces on this machine).
#define TINY_DISK_OR_SKIP(disk)                                                                                        \
    if (!(disk).isMounted())                                                                                           \
    QSKIP(qPrintable((disk).reason()))
