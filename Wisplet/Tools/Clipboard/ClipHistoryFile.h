#pragma once

#include "Wisplet/Platform/StoreFile.h"
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

struct Loaded
{
    StoreFile file;
    QList<ClipItem> items;
    Sizes sizes;
    // The page's line when the file could not be read.
    std::optional<QString> notice;
    // The file is there but could not be opened or set aside: it must be read again before it is replaced.
    bool checkFirst = false;
    // Files of ours in the folder that no entry names (images and previews of entries that were never saved,
    // temporary files of interrupted writes); empty when the history could not be read.
    QStringList strays;
};

// Reads the history: a file that cannot be decoded is set aside, one that cannot be opened is left where
// it is.
Loaded load(StoreFile file, const QString& folder);

struct SaveJob
{
    StoreFile file;
    // The list as the file held it when last read or written, and the list to save.
    QList<ClipItem> base;
    QList<ClipItem> ours;
    bool checkFirst = false;
    QString folder;
};

struct Saved
{
    StoreFile file;
    bool ok = false;
    // Another program changed the file since: the list with its change taken in, which is what was saved.
    std::optional<QList<ClipItem>> takenIn;
    Sizes takenInSizes;
    // What the file holds now.
    QList<ClipItem> base;
    bool checkFirst = false;
    // The page's lines: why nothing was saved; where an unreadable file went.
    std::optional<QString> failure;
    std::optional<QString> notice;
};

// Replaces the file with the list, first taking in any change another program made to it since it was
// last read or written (by entry id, nothing dropped). A file there that cannot be opened is never
// written over; one that cannot be decoded is set aside first.
Saved save(SaveJob job);

// The three-way merge of a history (by entry id, nothing dropped; see MergeById).
QList<ClipItem> merged(const QList<ClipItem>& base, const QList<ClipItem>& ours, const QList<ClipItem>& theirs);

// The bytes of each entry: its text as stored and its files on disk.
Sizes measure(const QList<ClipItem>& items, const QString& folder);

// The page's line for a history that could not be saved, and why.
QString notSaved(const QString& reason);

// The image and preview files the entries name.
QSet<QString> namedFiles(const QList<ClipItem>& items);

// Names come from the history file: only a plain name inside the folder is ever read or deleted.
bool isPlainName(const QString& name);

} // namespace ClipHistoryFile
