#pragma once

#include "Wisplet/Tools/Clipboard/ClipItem.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The clipboard tool's rules as pure functions.
namespace ClipboardRules {

// Why a new copy is not kept; the first reason that holds, in this order.
enum class Skip { none, paused, noConsent, presentation, concealed, transient, excludedApp };

struct CopyContext
{
    bool paused = false;
    bool consent = false;
    bool presentation = false;
    bool concealed = false;
    bool transient = false;
    // The identifiers of the application in front when the copy was made; none when it could not be read.
    QSet<QString> frontIds;
    // The identifiers of the program that made the copy, or of every program that may have made it.
    QSet<QString> makerIds;
    // Matched without regard to case: a class and a process name often differ in it alone.
    QStringList excluded;
};

Skip skipReason(const CopyContext& copy);

// One web address and nothing else.
bool isLink(const QString& text);

// What an entry takes: its text as the history file holds it, and its image and preview files.
struct EntryBytes
{
    qint64 text = 0;
    qint64 files = 0;

    EntryBytes& operator+=(const EntryBytes& more)
    {
        text += more.text;
        files += more.files;
        return *this;
    }
};

// How much the history keeps of what is not pinned.
struct Limits
{
    int maxItems = 0;
    // 0: no age limit.
    int retentionDays = 0;
    // For all texts together, pinned ones included, and for all files together.
    qint64 textBytes = 0;
    qint64 fileBytes = 0;
};

// The bytes a text takes in the history file: UTF-8, with the escapes JSON needs (at most six bytes for a
// control character).
qint64 storedTextBytes(QStringView text);

// The ids of the entries a prune drops: unpinned ones beyond the count, or, with a retention, as old as it
// or older, and, from the first one that would take the texts or files past their budget, every older
// one. The newest unpinned entry is kept whatever its size; pinned entries are never dropped, but what they
// take together (`pinned`) counts. Only the unpinned entries are measured.
QSet<QUuid> prunedIds(const QList<ClipItem>& items, const Limits& limits, const QDateTime& now, EntryBytes pinned,
                      const std::function<EntryBytes(const ClipItem&)>& bytesOf);

// Puts a new copy at the top of the list: an entry of the same kind and text (never an image) moves there
// instead, with the new copy's date and application. Only the entries above the one that moves are moved.
void insertCopy(QList<ClipItem>& items, const ClipItem& item);

// The entries the list shows for a query: those whose text or application contains it, ignoring case and
// surrounding spaces and tabs; pinned first, each group in history order.
QList<ClipItem> filtered(const QList<ClipItem>& items, const QString& query);

// How long ago, abbreviated: "5 sec. ago", "3 min. ago", "2 hr. ago", "4 days ago", "2 wk. ago", …
QString relativeAge(qint64 seconds);

} // namespace ClipboardRules
