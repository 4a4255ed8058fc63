#pragma once

#include "Wisplet/Tools/Notes/WispNote.h"

// The rules of the notes page that need no store: search and display order, word count, export.
namespace NoteRules {

// Longer titles or texts are not put in the editors: laying them out would freeze the panel. A single line
// of this many characters lays out in a few tens of milliseconds, and a keystroke in it costs about 15.
constexpr qsizetype maxEditableLength = 100'000;

// The notes whose title or else text contains the query, case-insensitively (an empty query matches all),
// pinned first, then the latest change first; notes equal in both keep their order.
QList<WispNote> filtered(const QList<WispNote>& notes, const QString& query);

// Whether the note is too long for the editors; it is kept whole all the same.
bool tooLongToEdit(const WispNote& note);

// Runs of characters that are not white space; line breaks separate too.
int wordCount(const QString& text);

// The proposed name of an exported note: its title (or "Note"), at most 80 characters, "/" as "-", ".txt".
QString exportFileName(const QString& title);

// Writes the text as UTF-8 without a byte-order mark, replacing the file atomically and durably (a new file
// is private to the user, a replaced one keeps its permissions). Empty on success, else why it failed; the
// file is then as it was.
QString writeText(const QString& path, const QString& text);

} // namespace NoteRules
