#pragma once

#include "Wisplet/Tools/Clipboard/ClipItem.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

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
    // The identifier of the application in front; empty when it could not be read.
    QString appId;
    QStringList excluded;
};

Skip skipReason(const CopyContext& copy);

// One web address and nothing else.
bool isLink(const QString& text);

// The ids of the entries a prune drops: unpinned ones beyond the count (at least one is kept) or, with a
// retention, as old as it or older. Pinned entries are never dropped.
QSet<QUuid> prunedIds(const QList<ClipItem>& items, int maxItems, int retentionDays, const QDateTime& now);

// The entries the list shows for a query: those whose text or application contains it, ignoring case and
// surrounding spaces and tabs; pinned first, each group in history order.
QList<ClipItem> filtered(const QList<ClipItem>& items, const QString& query);

// How long ago, abbreviated: "5 sec. ago", "3 min. ago", "2 hr. ago", "4 days ago", "2 wk. ago", …
QString relativeAge(qint64 seconds);

} // namespace ClipboardRules
