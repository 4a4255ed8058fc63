#pragma once

#include "Wisplet/Base/KeptFile.h"
#include "Wisplet/Platform/MergeById.h"

#include <QList>
#include <QUuid>

// A store's list of items, each with a QUuid `id`, kept in a file of its own. The store changes its list in
// memory and asks for a save: nothing is written while the list is what the file holds; a change another
// program made to the file meanwhile is merged in by id first, never dropped (an item changed on both sides
// is kept twice); a failed save leaves the file as it was and is said until a later save succeeds, and the
// list keeps the change for that save.
template <typename T>
class StoredList final
{
public:
    struct Format
    {
        std::function<std::optional<QList<T>>(const QByteArray&)> decode;
        std::function<QByteArray(const QList<T>&)> encode;
        // Why contents that do not decode cannot be read, for the page's line.
        QString undecodable;
    };

    StoredList(const QString& path, qint64 maxBytes, Format format,
               std::function<QString(const QString& reason)> saveFailed)
        : m_file(path, maxBytes, std::move(saveFailed))
        , m_format(std::move(format))
    { }

    // The list in the file, else initial, which then counts as what the file holds: an initial list left
    // unchanged is never written.
    QList<T> load(const QList<T>& initial)
    {
        m_saved = initial;
        if (const std::optional<QByteArray> contents = m_file.readAtStart()) {
            if (std::optional<QList<T>> stored = m_format.decode(*contents))
                m_saved = std::move(*stored);
            else
                m_file.setAside(m_format.undecodable);
        }
        return m_saved;
    }

    // Writes the list when it differs from the file's, after merging another program's change into it.
    // True when the file holds the list afterwards.
    bool save(QList<T>& list)
    {
        if (list == m_saved)
            return true;
        std::optional<QByteArray> changed;
        if (!m_file.lookBeforeWriting(changed))
            return false;
        if (changed) {
            if (std::optional<QList<T>> theirs = m_format.decode(*changed)) {
                QList<T> merged = MergeById::merged(m_saved, list, *theirs, idOf, withFreshId);
                if (merged != list) {
                    list = std::move(merged);
                    m_file.tookIn();
                }
                m_saved = std::move(*theirs);
                if (list == m_saved)
                    return true;
            } else if (!m_file.setAside(m_format.undecodable)) {
                return false;
            }
        }
        if (!m_file.write(m_format.encode(list)))
            return false;
        m_saved = list;
        return true;
    }

    QString message() const { return m_file.message(); }
    const QString& path() const { return m_file.path(); }

private:
    static QUuid idOf(const T& item) { return item.id; }
    static T withFreshId(T item)
    {
        item.id = QUuid::createUuid();
        return item;
    }

    KeptFile m_file;
    Format m_format;
    // What the file holds, as far as this store knows: as read, as written, or as found changed.
    QList<T> m_saved;
};
