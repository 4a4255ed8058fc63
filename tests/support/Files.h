#pragma once

#include <QByteArray>
#include <QString>

// Small file helpers for tests that check what the program leaves on disk.
namespace TestFiles {

// The file's contents, or empty when it cannot be read.
QByteArray read(const QString& path);
// Creates the parent folders as needed.
bool write(const QString& path, const QByteArray& contents);
// The permission bits (07777) of the file, or -1 when it does not exist.
int mode(const QString& path);
bool setMode(const QString& path, int mode);
// What stands where a program's file should be: written contents, or something that is no file to read
// (a FIFO blocks whoever opens it to read; the oversized file is one byte over the limit, and a hole).
enum class Standing { contents, fifo, folder, oversized };
bool place(Standing standing, const QString& path, const QByteArray& contents = {}, qint64 limit = 0);

} // namespace TestFiles
