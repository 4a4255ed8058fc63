#pragma once

#include "Wisplet/Base/StoredList.h"
#include "Wisplet/Tools/Notes/WispNote.h"

#include <QObject>

#include <functional>
#include <memory>

class Clock;
class ScheduledCall;
class Scheduler;

// The user's notes, kept in "notes-v2.json" in the folder given (on the first start without it, a starter
// note holding the text of an older "notes.txt"). Every change is written 0.6 s after the last one, or 2 s
// after the first one not yet written while changes keep coming, and only when the notes differ from what
// the file holds. Another program's change to the file since it was
// read or written is taken in first, note by note, so neither side's change is lost. When the file cannot
// be read at start, nothing is changed or written for the rest of the run, so the file on disk stays as it
// was. Main thread only.
class NotesStore final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NotesStore)

public:
    static constexpr int saveDelayMs = 600;
    // Steady typing never keeps a change off the disk for longer than this.
    static constexpr int longestSaveDelayMs = 2000;
    // Larger files are not read: far beyond any notes typed by hand, and a FIFO or device never ends. At this
    // size even tiny notes (some 70,000) load, list and save within a few hundred milliseconds.
    static constexpr qint64 maxFileBytes = 8 * 1024 * 1024;
    // Small enough that its text, however much JSON escapes it, always fits in the notes file.
    static constexpr qint64 maxLegacyBytes = 1024 * 1024;

    NotesStore(Clock& clock, Scheduler& scheduler, const QString& folder, QObject* parent = nullptr);
    ~NotesStore() override;

    // Over the app-support folder; created on first use.
    static NotesStore& shared();
    // Where the notes file of a folder is.
    static QString pathIn(const QString& folder);

    static QString savedStatus();
    static QString savingStatus();
    static QString saveFailedStatus();
    static QString loadFailedStatus();
    static QString tookInNotice();
    static QString keptTwiceNotice();

    // In storage order: as read, new notes at the front.
    QList<WispNote> notes() const { return m_notes; }
    // Null when no note is selected.
    QUuid selectedID() const { return m_selectedID; }
    QString saveStatus() const { return m_saveStatus; }
    bool isDirty() const { return m_dirty; }
    bool loadedSuccessfully() const { return m_loadedSuccessfully; }
    // After a failed load: the file that could not be read and why; empty otherwise.
    QString loadProblem() const { return m_loadProblem; }
    // What the page should say about the file beside the save status: another program's change taken in, a
    // file set aside or left alone. Empty when there is nothing to say.
    QString notice() const { return m_file.notice(); }
    QString notesPath() const;

    // The selection as the list sets it; a note that no longer exists selects nothing.
    void setSelectedID(const QUuid& id);
    std::optional<WispNote> selectedNote() const;
    // The notes matching the query, in display order.
    QList<WispNote> filteredNotes(const QString& query) const;

    // Each of these changes the notes only after a successful load, and schedules a save.
    void update(const std::optional<QString>& title, const std::optional<QString>& text);
    void newNote();
    void togglePin();
    void deleteSelected();

    // Writes now when anything is unsaved. True when nothing is left unsaved.
    bool save();

signals:
    void notesChanged(const QList<WispNote>& value);
    void selectedIDChanged(const QUuid& value);
    void saveStatusChanged(const QString& value);
    void noticeChanged(const QString& value);
    // Any of the above.
    void changed();

private:
    void load();
    bool loadLegacyText(QString& text);
    void failLoad(const QString& path, const QString& reason);
    StoredJson::Date now() const;
    void changeNotes(const std::function<void(QList<WispNote>&)>& change);
    void notesTakenIn(const QUuid& selected);
    void setSaveStatus(const QString& status);
    void scheduleSave();
    qsizetype indexOf(const QUuid& id) const;
    qsizetype selectedIndex() const { return indexOf(m_selectedID); }

    Clock& m_clock;
    Scheduler& m_scheduler;
    QString m_folder;
    StoredList<WispNote> m_file;
    QList<WispNote> m_notes;
    QUuid m_selectedID;
    QString m_saveStatus;
    QString m_loadProblem;
    bool m_dirty = false;
    bool m_loadedSuccessfully = true;
    std::unique_ptr<ScheduledCall> m_saveWork;
    // On the monotonic clock: the first change the coming save holds.
    std::optional<qint64> m_unsavedSinceMs;
};
