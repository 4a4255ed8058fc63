#include "Wisplet/Tools/Clipboard/ClipboardRules.h"

#include "Wisplet/Base/RelativeAge.h"

#include <QRegularExpression>

#include <algorithm>

namespace ClipboardRules {

Skip skipReason(const CopyContext& copy)
{
    if (copy.paused)
        return Skip::paused;
    if (!copy.consent)
        return Skip::noConsent;
    if (copy.presentation)
        return Skip::presentation;
    if (copy.concealed)
        return Skip::concealed;
    if (copy.transient)
        return Skip::transient;
    // An empty entry must not match an application whose identifier could not be read.
    if (!copy.appId.isEmpty() && copy.excluded.contains(copy.appId))
        return Skip::excludedApp;
    return Skip::none;
}

bool isLink(const QString& text)
{
    static const QRegularExpression link(QRegularExpression::anchoredPattern(QStringLiteral("https?://\\S+")));
    return link.match(text).hasMatch();
}

QSet<QUuid> prunedIds(const QList<ClipItem>& items, int maxItems, int retentionDays, const QDateTime& now)
{
    const int limit = std::max(1, maxItems);
    const qint64 maxAgeMs = qint64(retentionDays) * 86'400'000;
    int kept = 0;
    QSet<QUuid> dropped;
    for (const ClipItem& item : items) {
        if (item.pinned)
            continue;
        const bool young = retentionDays <= 0 || item.date.msecsTo(now) < maxAgeMs;
        if (kept < limit && young)
            ++kept;
        else
            dropped.insert(item.id);
    }
    return dropped;
}

QList<ClipItem> filtered(const QList<ClipItem>& items, const QString& query)
{
    QString needle = query;
    while (!needle.isEmpty() && (needle.front() == u' ' || needle.front() == u'\t'))
        needle.remove(0, 1);
    while (!needle.isEmpty() && (needle.back() == u' ' || needle.back() == u'\t'))
        needle.chop(1);
    const auto matches = [&](const ClipItem& item) {
        return needle.isEmpty() || item.text.contains(needle, Qt::CaseInsensitive)
            || item.app.value_or(QString()).contains(needle, Qt::CaseInsensitive);
    };
    QList<ClipItem> pinned;
    QList<ClipItem> unpinned;
    for (const ClipItem& item : items) {
        if (matches(item))
            (item.pinned ? pinned : unpinned).append(item);
    }
    return pinned + unpinned;
}

QString relativeAge(qint64 seconds)
{
    return ::relativeAge(seconds) + QStringLiteral(" ago");
}

} // namespace ClipboardRules
