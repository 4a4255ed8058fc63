#pragma once

#include <QString>

// A store's file that exists but cannot be read as one of ours is moved out of the way, never overwritten,
// and the user hears of it: on the store's page and with one line on standard error for the journal.
namespace UnreadableFile {

struct SetAside
{
    // Where the file went; empty when it could not be moved (it must then not be written over).
    QString path;
    // The line for the store's page.
    QString notice;
};

// Moves the file at path aside ("<path>.unreadable", "-2", …) and reports why it could not be read.
SetAside setAside(const QString& path, const QString& reason);

// A file that exists but could not be opened (no permission, an I/O error) is not a broken one: the caller
// leaves it where it is and never writes over it. Reports it and returns the page's line.
QString leaveInPlace(const QString& path, const QString& reason);

// The page's line: "Could not read <name> (<reason>); it was set aside as <name of asidePath>.", or, with
// no asidePath, that it is left where it is and not written over.
QString notice(const QString& path, const QString& reason, const QString& asidePath);

} // namespace UnreadableFile
