#pragma once

#include "Wisplet/Base/KeptFile.h"
#include "Wisplet/Platform/MergeById.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QUuid>

// A store's list of items, each with a QUuid `id`, kept in a file of its own. The store changes its list in
// memory and asks for a save: nothing is written while the list is what the file holds; a change another
// program made to the file meanwhile is merged in by id first, never dropped (an item changed on both sides
// is kept twice); a failed save leaves the file as it was and is said until a later save succeeds, and the
// list keeps the change for that save. A plain value, like its file: a worker thread can take it for a save.
template <typename T>
class StoredList final
{
public:
    struct Format
    {
        // The list the contents hold; none, with why not for the page's line, when they hold none.
        std::function<std::optional<QList<T>>(const QByteArray& contents, QString& whyNot)> decode;
        std::function<QByteArray(const QList<T>&)> encode;
    };

    struct Saved
    {
        // The file holds the list now.
        bool ok = false;
        // The list changed: another program's change was taken in.
        bool tookIn = false;
        // Items changed on both sides: ours, kept beside theirs, under fresh ids (by the ids they had).
        QHash<QUuid, QUuid> renamed;
    };

    StoredList(const QString& path, qint64 maxBytes, Format format, KeptFile::Words words)
        : m_file(path, maxBytes, std::move(words))
        , m_format(std::move(format))
    { }

    // The list in the file, else initial, which then counts as what the file holds: an initial list left
    // unchanged is never written.
    QList<T> load(const QList<T>& initial)
    {
        m_saved = initial;
        if (const std::optional<QByteArray> contents = m_file.readAtStart()) {
            QString whyNot;
            if (std::optional<QList<T>> stored = decoded(*contents, whyNot))
                m_saved = std::move(*stored);
            else
                m_file.setAside(whyNot);
        }
        return m_saved;
    }

    // Instead of load(), for a store with rules of its own at start: the file as it is, nothing done about
    // it; then loadedAs() with the list the store took from it.
    PrivateFiles::FileRead readAsIs() { return m_file.readAsIs(); }
    void loadedAs(QList<T> list) { m_saved = std::move(list); }

    // Writes the list when it differs from the file's, after merging another program's change into it.
    Saved save(QList<T>& list)
    {
        Saved saved;
        if (list != m_saved && !takeInOutsideChange(list, saved))
            return saved;
        if (list == m_saved) {
            m_file.upToDate();
            saved.ok = true;
        } else {
            saved.ok = m_file.write(m_format.encode(list));
            if (saved.ok)
                m_saved = list;
        }
        return saved;
    }

    // The three-way merge by id (see MergeById); renamed, when given, gets the fresh ids of ours kept twice.
    static QList<T> merged(const QList<T>& base, const QList<T>& ours, const QList<T>& theirs,
                           QHash<QUuid, QUuid>* renamed = nullptr)
    {
        return MergeById::merged(
            base, ours, theirs, [](const T& item) { return item.id; },
            [renamed](T item) {
                const QUuid fresh = QUuid::createUuid();
                if (renamed)
                    renamed->insert(item.id, fresh);
                item.id = fresh;
                return item;
            });
    }

    const QString& path() const { return m_file.path(); }
    qint64 maxBytes() const { return m_file.maxBytes(); }
    bool isUnread() const { return m_file.isUnread(); }
    const QString& notice() const { return m_file.notice(); }
    QString message() const { return m_file.message(); }

private:
    // An id the list holds more than once (an entry copied by hand, id and all) stays with its first item;
    // each repeat takes an id of its own, the same at every reading of the same list, so that no merge, edit
    // or removal ever touches two items at once, and a file read again still matches what was read before.
    static void giveRepeatsIdsOfTheirOwn(QList<T>& list)
    {
        QSet<QUuid> taken;
        for (const T& item : std::as_const(list))
            taken.insert(item.id);
        if (taken.size() == list.size())
            return;
        QSet<QUuid> seen;
        for (T& item : list) {
            for (int repeat = 1; seen.contains(item.id); ++repeat) {
                const QUuid own = QUuid::createUuidV5(item.id, QString::number(repeat));
                if (!taken.contains(own)) {
                    taken.insert(own);
                    item.id = own;
                }
            }
            seen.insert(item.id);
        }
    }

    std::optional<QList<T>> decoded(const QByteArray& contents, QString& whyNot) const
    {
        std::optional<QList<T>> list = m_format.decode(contents, whyNot);
        if (list)
            giveRepeatsIdsOfTheirOwn(*list);
        return list;
    }

    // Merges into the list what another program wrote to the file since it was last read or written here.
    // False when the file must not be written now.
    bool takeInOutsideChange(QList<T>& list, Saved& saved)
    {
        std::optional<QList<T>> theirs;
        const bool mayWrite = m_file.lookBeforeWriting([&](const QByteArray& contents, QString& whyNot) {
            theirs = decoded(contents, whyNot);
            return theirs.has_value();
        });
        if (!mayWrite || !theirs)
            return mayWrite;
        QList<T> merged = StoredList::merged(m_saved, list, *theirs, &saved.renamed);
        m_saved = std::move(*theirs);
        if (merged != list) {
            list = std::move(merged);
            saved.tookIn = true;
            m_file.tookIn(!saved.renamed.isEmpty());
        }
        return true;
    }

    KeptFile m_file;
    Format m_format;
    // What the file holds, as far as this store knows: as read, as written, or as found changed.
    QList<T> m_saved;
};
