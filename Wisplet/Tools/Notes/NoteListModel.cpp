#include "Wisplet/Tools/Notes/NoteListModel.h"

#include "Wisplet/Base/Graphemes.h"

NoteListModel::NoteListModel(const QIcon& pinnedIcon, const QIcon& noteIcon, QObject* parent)
    : RowListModel(parent)
    , m_pinnedIcon(pinnedIcon)
    , m_noteIcon(noteIcon)
{ }

void NoteListModel::setNotes(const QList<WispNote>& notes)
{
    QList<NoteRow> rows;
    rows.reserve(notes.size());
    for (const WispNote& note : notes)
        rows.append({note.id, note.title, note.pinned});
    setValues(rows);
}

int NoteListModel::rowOf(const QUuid& id) const
{
    const QList<NoteRow>& rows = values();
    const auto found = std::find_if(rows.cbegin(), rows.cend(), [&id](const NoteRow& row) { return row.id == id; });
    return found == rows.cend() ? -1 : int(found - rows.cbegin());
}

QVariant NoteListModel::data(const QModelIndex& index, int role) const
{
    const NoteRow* row = valueAt(index);
    if (!row)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        if (row->title.isEmpty())
            return QStringLiteral("Untitled note");
        // Eliding lays out the whole text first.
        return row->title.size() > maxTitleCharacters ? Graphemes::leading(row->title, maxTitleCharacters) : row->title;
    case Qt::DecorationRole:
        return row->pinned ? m_pinnedIcon : m_noteIcon;
    case idRole:
        return row->id;
    default:
        return {};
    }
}
