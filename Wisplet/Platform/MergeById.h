#pragma once

#include <QHash>
#include <QList>
#include <QSet>

#include <optional>

// Three-way merge of a stored list whose items carry an id, for a store that finds its file changed by
// another program (a sync tool, the user's editor) since it last read or wrote it. base is the list as it
// was then, ours the list in memory, theirs the list on disk now. A change on one side wins over no change
// on the other; an item changed on both sides is kept twice (ours under a fresh id), and an item removed on
// one side but changed on the other is kept: nobody's change is dropped. The result follows our order, with
// items only the other side has placed before the item that follows them there.
namespace MergeById {

template <typename T, typename IdOf, typename WithFreshId>
QList<T> merged(const QList<T>& base, const QList<T>& ours, const QList<T>& theirs, IdOf idOf,
                WithFreshId withFreshId)
{
    using Id = std::decay_t<decltype(idOf(std::declval<const T&>()))>;
    const auto index = [&](const QList<T>& list) {
        QHash<Id, const T*> byId;
        for (const T& item : list)
            byId.insert(idOf(item), &item);
        return byId;
    };
    const QHash<Id, const T*> inBase = index(base);
    const QHash<Id, const T*> inTheirs = index(theirs);

    QList<T> result;
    QSet<Id> ourIds;
    for (const T& mine : ours) {
        const Id id = idOf(mine);
        const T* was = inBase.value(id);
        const T* other = inTheirs.value(id);
        ourIds.insert(id);
        if (!other) {
            // Removed over there: gone too unless we changed it (or added it).
            if (!was || !(mine == *was))
                result.append(mine);
        } else if (was && mine == *was) {
            result.append(*other);
        } else if (*other == mine || (was && *other == *was)) {
            result.append(mine);
        } else {
            result.append(*other);
            result.append(withFreshId(mine));
        }
    }
    // Items only the other side has, grouped by the first item after them there that the result holds.
    QHash<Id, QList<T>> before;
    QList<T> atEnd;
    QSet<Id> kept;
    for (const T& item : std::as_const(result))
        kept.insert(idOf(item));
    std::optional<Id> anchor;
    for (qsizetype i = theirs.size() - 1; i >= 0; --i) {
        const T& other = theirs[i];
        const Id id = idOf(other);
        if (ourIds.contains(id)) {
            if (kept.contains(id))
                anchor = id;
            continue;
        }
        const T* was = inBase.value(id);
        // Removed here and left alone there: stays removed.
        if (was && other == *was)
            continue;
        (anchor ? before[*anchor] : atEnd).prepend(other);
    }
    if (before.isEmpty() && atEnd.isEmpty())
        return result;
    QList<T> ordered;
    ordered.reserve(result.size() + atEnd.size());
    for (const T& item : std::as_const(result)) {
        ordered.append(before.value(idOf(item)));
        ordered.append(item);
    }
    ordered.append(atEnd);
    return ordered;
}

} // namespace MergeById
