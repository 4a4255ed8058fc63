#pragma once

#include <QHash>
#include <QList>
#include <QSet>

#include <utility>

// Three-way merge of a stored list whose items carry an id, for a store that finds its file changed by
// another program (a sync tool, the user's editor) since it last read or wrote it. base is the list as it
// was then, ours the list in memory, theirs the list on disk now; each holds an id once. A change on one
// side wins over no change on the other; an item changed on both sides is kept twice (ours under a fresh
// id), and an item removed on one side but changed on the other is kept: nobody's change is dropped. The
// order is a change too: the result follows ours, unless only theirs was reordered; the items only the
// other side has stand before the item that follows them there.
namespace MergeById {

namespace Detail {

template <typename T, typename IdOf>
auto idsOf(const QList<T>& list, IdOf idOf)
{
    QList<std::decay_t<decltype(idOf(std::declval<const T&>()))>> ids;
    ids.reserve(list.size());
    for (const T& item : list)
        ids.append(idOf(item));
    return ids;
}

// Whether the items side shares with base stand in base's order.
template <typename T, typename IdOf>
bool keepsOrderOf(const QList<T>& base, const QList<T>& side, IdOf idOf)
{
    const auto baseIds = idsOf(base, idOf);
    const auto sideIds = idsOf(side, idOf);
    using Id = typename decltype(baseIds)::value_type;
    const QSet<Id> inBase(baseIds.cbegin(), baseIds.cend());
    const QSet<Id> inSide(sideIds.cbegin(), sideIds.cend());
    const auto shared = [](const auto& ids, const auto& in) {
        std::decay_t<decltype(ids)> kept;
        for (const auto& id : ids) {
            if (in.contains(id))
                kept.append(id);
        }
        return kept;
    };
    return shared(baseIds, inSide) == shared(sideIds, inBase);
}

// The outcome of each id in the order of lead, each of the other's own ids before the item that follows it
// there (at the end when none does).
template <typename T, typename IdOf, typename Id>
QList<T> ordered(const QList<T>& lead, const QList<T>& other, const QHash<Id, QList<T>>& outcome, IdOf idOf)
{
    QSet<Id> inLead;
    for (const T& item : lead)
        inLead.insert(idOf(item));
    // The other's own items gather until an item both hold and kept comes; they stand before it.
    QHash<Id, QList<T>> before;
    QList<T> waiting;
    for (const T& item : other) {
        const Id id = idOf(item);
        if (!inLead.contains(id)) {
            waiting.append(outcome.value(id));
        } else if (!waiting.isEmpty() && !outcome.value(id).isEmpty()) {
            before.insert(id, std::exchange(waiting, {}));
        }
    }
    QList<T> result;
    result.reserve(lead.size() + other.size());
    for (const T& item : lead) {
        const Id id = idOf(item);
        result.append(before.value(id));
        result.append(outcome.value(id));
    }
    result.append(waiting);
    return result;
}

} // namespace Detail

template <typename T, typename IdOf, typename WithFreshId>
QList<T> merged(const QList<T>& base, const QList<T>& ours, const QList<T>& theirs, IdOf idOf, WithFreshId withFreshId)
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

    // What each id comes to: nothing, one item, or two when both sides changed it apart.
    QHash<Id, QList<T>> outcome;
    QSet<Id> ourIds;
    for (const T& mine : ours) {
        const Id id = idOf(mine);
        const T* was = inBase.value(id);
        const T* other = inTheirs.value(id);
        ourIds.insert(id);
        QList<T>& kept = outcome[id];
        if (!other) {
            // Removed over there: gone too unless we changed it (or added it).
            if (!was || !(mine == *was))
                kept.append(mine);
        } else if (was && mine == *was) {
            kept.append(*other);
        } else if (*other == mine || (was && *other == *was)) {
            kept.append(mine);
        } else {
            kept.append(*other);
            kept.append(withFreshId(mine));
        }
    }
    for (const T& other : theirs) {
        const Id id = idOf(other);
        const T* was = inBase.value(id);
        // Removed here and left alone there: stays removed.
        if (!ourIds.contains(id) && !(was && other == *was))
            outcome.insert(id, {other});
    }
    const bool theirsLead = Detail::keepsOrderOf(base, ours, idOf) && !Detail::keepsOrderOf(base, theirs, idOf);
    return theirsLead ? Detail::ordered(theirs, ours, outcome, idOf) : Detail::ordered(ours, theirs, outcome, idOf);
}

} // namespace MergeById
