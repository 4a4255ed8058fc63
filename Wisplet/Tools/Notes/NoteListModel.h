#pragma once

#include "Wisplet/Base/RowListModel.h"
#include "Wisplet/Tools/Notes/WispNote.h"

#include <QIcon>

// What a row of the notes list shows of its note.
struct NoteRow
{
    QUuid id;
    QString title;
    bool pinned = false;

    friend bool operator==(const NoteRow&, const NoteRow&) = default;
};

// The notes page's list: one row per note shown, its text and symbol given only when the row is drawn, so
// a long list costs what is on screen.
class NoteListModel final : public RowListModel<NoteRow>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NoteListModel)

public:
    enum Role {
        idRole = Qt::UserRole + 1,
    };

    // A row shows at most this many characters of a title; the rest would be cut off the line anyway.
    static constexpr int maxTitleCharacters = 200;

    NoteListModel(const QIcon& pinnedIcon, const QIcon& noteIcon, QObject* parent = nullptr);

    // The notes in the order shown.
    void setNotes(const QList<WispNote>& notes);
    // The row of the note; -1 when it is not listed.
    int rowOf(const QUuid& id) const;

    QVariant data(const QModelIndex& index, int role) const override;

private:
    QIcon m_pinnedIcon;
    QIcon m_noteIcon;
};
