#pragma once

#include <QByteArray>
#include <QString>

// Files the user chose to write (an exported note, a converted image) sit in the user's own folders, where no
// store's sweep ever looks. The temporary file of each such write is noted in a journal in our data folder as
// soon as it exists, so that the start after a kill or a power cut removes what the write left behind.
namespace ChosenWrites {

// Removes the temporary files that the writes noted in the journal by an earlier run left behind (each the
// very file a write made, by its device, inode and birth time, still at the path it was made at and named as
// our temporaries are; never anything else), starts the journal afresh, and notes this run's writes there from
// now on. Returns how many files were removed.
int track(const QString& journalPath);

// Notes a write's temporary file, open as fd at temporaryPath (absolute), before any data goes into it;
// nothing until track() was called. Safe from any thread.
void note(int fd, const QByteArray& temporaryPath);

} // namespace ChosenWrites
