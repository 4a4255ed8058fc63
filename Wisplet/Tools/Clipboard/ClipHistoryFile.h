#pragma once

#include "Wisplet/Base/StoredList.h"
#include "Wisplet/Platform/PrivateFiles.h"
#include "Wisplet/Tools/Clipboard/ClipItem.h"
#include "Wisplet/Tools/Clipboard/ClipboardRules.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QStringList>

#include <optional>

// The clipboard history's file and the image files beside it, as worker threads read and write them: each
// call takes what it needs by value, touches no store and returns what it found.
namespace ClipHistoryFile {

// What each entry takes, by id.
using Sizes = QHash<QUuid, ClipboardRules::EntryBytes>;

// The history's file, with what it holds as far as the program knows.
using File = StoredList<ClipItem>;

// The history at path, in its format and with the page's words for it.
File file(const QString& path, qint64 maxBytes);

struct Loaded
{
    File file;
    QList<ClipItem> items;
    Sizes sizes;
    // Files of ours in the folder that no entry names (images and previews of entries that were never saved,
    // temporary files of interrupted writes); empty when what the history holds is unknown, and when the
    // folder is a symbolic link to elsewhere.
    QStringList strays;
};

// Reads the history: a file that cannot be decoded is set aside, one that cannot be opened is left where
// it is.
Loaded load(File file, const QString& folder);

struct SaveJob
{
    File file;
    QList<ClipItem> items;
    QString folder;
};

struct Saved
{
    File file;
    bool ok = false;
    // Another program changed the file since: the list with its change taken in, which is what was saved.
    std::optional<QList<ClipItem>> takenIn;
    Sizes takenInSizes;
};

// Saves the list (see StoredList::save).
Saved save(SaveJob job);

// The bytes of each entry: its text as stored and its files on disk.
Sizes measure(const QList<ClipItem>& items, const QString& folder);

// The image and preview files the entries name.
QSet<QString> namedFiles(const QList<ClipItem>& items);

// Names come from the history file: only a plain name inside the folder is ever read or deleted.
bool isPlainName(const QString& name);

// A name the history itself gives a file: an image "clip-<UUID>.png" or ".tiff", its preview (the image's
// name and ".preview.png"), or a temporary file of a write of either. Only these are ever swept.
bool isHistoryFileName(const QString& name);

// The named file is a regular file in the folder itself: a plain name, and no symbolic link to elsewhere.
bool isRegularFileIn(const QString& folder, const QString& name);

// A history image or preview, read only when it is a regular file in the folder (see isRegularFileIn).
PrivateFiles::FileRead readImage(const QString& folder, const QString& name, qint64 maxBytes);

} // namespace ClipHistoryFile
