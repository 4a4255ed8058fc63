#pragma once

#include <QByteArray>
#include <QString>

// File helpers for the user's private data: folders 0700, files 0600, atomic and durable replacement,
// and unreadable files set aside instead of being overwritten.
namespace PrivateFiles {

// What tells one version of a file from another: whoever replaces or rewrites the file (a sync tool, the
// user's editor, another calendar program) changes at least one of these.
struct FileStamp
{
    bool exists = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;

    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The stamp of what is at the path now (following a symbolic link, as reading does).
FileStamp stampOf(const QString& path);

// Creates the folder (and its parents) when missing, the folder itself with mode 0700 and its parents 0755
// at most (never writable by others, whatever the umask), and syncs the folder each new one was made in. An
// existing folder keeps its permissions. True when the folder exists afterwards.
bool ensureFolder(const QString& path);

// Replaces the file's contents atomically and durably with mode 0600, set on every write (a replaced file
// would otherwise keep its old mode). The data goes to a temporary file beside it ("<name>.~XXXXXX") that is
// written whole and synced before it is renamed over the path, and the folder is synced after the rename.
// Any failed write, sync or rename fails the call: the old file stays whole, no temporary file is left and
// errorString says why. A symbolic link at the path is replaced itself; the file it points to is never
// written. Once the rename is done, written (when given) is the stamp of the new file, taken from the file
// itself; a failed sync of the folder after it still fails the call, though the path holds the new file.
bool writeAtomically(const QString& path, const QByteArray& data, QString* errorString = nullptr,
                     FileStamp* written = nullptr);

// The same, keeping the replaced file's permission bits: for files another program made.
bool replaceKeepingMode(const QString& path, const QByteArray& data, QString* errorString = nullptr,
                        FileStamp* written = nullptr);

// A file the user chose to write (an exported note, a converted image): written the same way, a new one
// private and a replaced one keeping its permission bits.
bool writeChosenFile(const QString& path, const QByteArray& data, QString* errorString = nullptr);

// For a process that ends without waiting for its worker threads: removes the temporary files of the writes
// still under way and makes every later write fail, so that no half-written file outlives the process. Safe
// from any thread; it waits a moment at most for a write that is making its temporary file (on a disk that
// hangs, that file is left to the next start's sweep).
void abandonWritesInFlight();

// Whether name is one of the temporary files a write of the file named targetName makes
// ("<targetName>.~XXXXXX"): what any sweep of leftovers asks before it removes a file it did not name itself.
bool isTemporaryOf(QStringView name, QStringView targetName);

// Removes what an interrupted save left beside the file: temporary files "<name>.~XXXXXX", and the
// "<name>.XXXXXX" of earlier versions (six random letters and digits, never a word like "backup"). Returns
// how many were removed.
int removeLeftoverTemporaries(const QString& path);

// Flushes the folder's entries (a new, removed or renamed file) to the disk. A file system that cannot sync
// folders counts as done.
bool syncFolder(const QString& folder, QString* errorString = nullptr);

// What reading a file found. Only a regular file within the size limit is read: a FIFO would block for
// ever, a device never ends, and a huge file would stall every later save.
struct FileRead
{
    enum class Outcome {
        absent,
        read,
        // There, but not something to read as a file of ours: not a regular file, or too large.
        unsuitable,
        // There, but it could not be opened or read (permissions, too many open files, an I/O error):
        // nothing is known about its contents.
        inaccessible,
    };
    Outcome outcome = Outcome::absent;
    QByteArray contents;
    // Why it is unsuitable or inaccessible.
    QString reason;
    // The version read; compare with stampOf() before replacing the file to see another program's change.
    FileStamp stamp;
};

FileRead readRegularFile(const QString& path, qint64 maxBytes);
// The same, but a larger file is not refused: its first maxBytes are read (for a preview).
FileRead readRegularFileStart(const QString& path, qint64 maxBytes);

// Moves an unreadable file out of the way as "<path>.unreadable" ("<path>.unreadable-2", … when
// taken), so that it is never overwritten. Returns the new path, or empty when it could not be moved.
QString setAside(const QString& path);

} // namespace PrivateFiles
