#pragma once

#include <QByteArray>
#include <QString>

// Small file helpers for tests that check what the program leaves on disk.
namespace TestFiles {

// The file's contents, or empty when it cannot be read.
QByteArray read(const QString& path);
// Creates the parent folders as needed.
bool write(const QString& path, const QByteArray& contents);
// Replaces the file as an editor or a sync tool does: a new file renamed over the old one.
bool replace(const QString& path, const QByteArray& contents);
// The permission bits (07777) of the file, or -1 when it does not exist.
int mode(const QString& path);
bool setMode(const QString& path, int mode);

} // namespace TestFiles
