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
    const auto excluded = [&](const QString& id) {
        return !id.isEmpty() && copy.excluded.contains(id, Qt::CaseInsensitive);
    };
    if (std::any_of(copy.frontIds.cbegin(), copy.frontIds.cend(), excluded)
        || std::any_of(copy.makerIds.cbegin(), copy.makerIds.cend(), excluded))
        return Skip::excludedApp;
    return Skip::none;
}

bool isLink(const QString& text)
{
    static const QRegularExpression link(QRegularExpression::anchoredPattern(QStringLiteral("https?://\\S+")));
    return link.match(text).hasMatch();
}

qint64 storedTextBytes(QStringView text)
{
    qint64 bytes = 0;
    for (qsizetype index = 0; index < text.size(); ++index) {
        const char16_t unit = text[index].unicode();
        if (unit < 0x20)
            bytes += 6;
        else if (unit == u'"' || unit == u'\\')
            bytes += 2;
        else if (unit < 0x80)
            bytes += 1;
        else if (unit < 0x800)
            bytes += 2;
        else if (!QChar::isHighSurrogate(unit) || index + 1 == text.size() || !text[index + 1].isLowSurrogate())
            bytes += 3;
        else {
            bytes += 4;
            ++index;
        }
    }
    return bytes;
}

QSet<QUuid> prunedIds(const QList<ClipItem>& items, const Limits& limits, const QDateTime& now, EntryBytes pinned,
                      const std::function<EntryBytes(const ClipItem&)>& bytesOf)
{
    const int limit = std::max(1, limits.maxItems);
    const qint64 maxAgeMs = qint64(limits.retentionDays) * 86'400'000;
    EntryBytes used = pinned;
    int kept = 0;
    bool full = false;
    QSet<QUuid> dropped;
    for (const ClipItem& item : items) {
        if (item.pinned)
            continue;
        const bool young = limits.retentionDays <= 0 || item.date.msecsTo(now) < maxAgeMs;
        const EntryBytes bytes = bytesOf(item);
        full = full
            || (kept > 0 && (used.text + bytes.text > limits.textBytes || used.files + bytes.files > limits.fileBytes));
        if (kept < limit && young && !full) {
            ++kept;
            used += bytes;
        } else {
            dropped.insert(item.id);
        }
    }
    return dropped;
}

void insertCopy(QList<ClipItem>& items, const ClipItem& item)
{
    const auto repeat = item.kind == ClipItem::Kind::image
        ? items.cend()
        : std::find_if(items.cbegin(), items.cend(), [&](const ClipItem& existing) {
              return existing.kind == item.kind && existing.text == item.text;
          });
    if (repeat == items.cend()) {
        items.prepend(item);
        return;
    }
    const qsizetype row = repeat - items.cbegin();
    std::rotate(items.begin(), items.begin() + row, items.begin() + row + 1);
    ClipItem& moved = items.first();
    moved.date = item.date;
    moved.app = item.app;
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
    // One list, grown once: a long history is filtered at every change while its page shows.
    QList<ClipItem> shown;
    shown.reserve(items.size());
    for (const bool pinned : {true, false}) {
        for (const ClipItem& item : items) {
            if (item.pinned == pinned && matches(item))
                shown.append(item);
        }
    }
    return shown;
}

QString relativeAge(qint64 seconds)
{
    return ::relativeAge(seconds) + QStringLiteral(" ago");
}

} // namespace ClipboardRules
