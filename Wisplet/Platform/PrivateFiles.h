#pragma once

#include <QByteArray>
#include <QString>

// File helpers for the user's private data: folders 0700, files 0600, atomic replacement,
// and unreadable files set aside instead of being overwritten.
namespace PrivateFiles {

// Creates the folder (and its parents) when missing, the folder itself with mode 0700.
// An existing folder keeps its permissions. True when the folder exists afterwards.
bool ensureFolder(const QString& path);

// Replaces the file's contents atomically with mode 0600, set on every write (a replaced file would
// otherwise keep its old mode). On failure the old file is untouched and errorString says why.
bool writeAtomically(const QString& path, const QByteArray& data, QString* errorString = nullptr);

// Replaces an existing file atomically, keeping its permission bits: for files another program made.
bool replaceKeepingMode(const QString& path, const QByteArray& data, QString* errorString = nullptr);

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
};

FileRead readRegularFile(const QString& path, qint64 maxBytes);
// The same, but a larger file is not refused: its first maxBytes are read (for a preview).
FileRead readRegularFileStart(const QString& path, qint64 maxBytes);

// Moves an unreadable file out of the way as "<path>.unreadable" ("<path>.unreadable-2", … when
// taken), so that it is never overwritten. Returns the new path, or empty when it could not be moved.
QString setAside(const QString& path);

} // namespace PrivateFiles
