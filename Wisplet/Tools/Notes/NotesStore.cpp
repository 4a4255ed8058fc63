#include "Wisplet/Tools/Notes/NotesStore.h"

#include "Wisplet/Base/AppSupport.h"
#include "Wisplet/Base/ProblemReport.h"
#include "Wisplet/Base/UnreadableFile.h"
#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Platform/MergeById.h"
#include "Wisplet/Platform/Platform.h"
#include "Wisplet/Platform/PrivateFiles.h"
#include "Wisplet/Platform/Scheduler.h"
#include "Wisplet/Tools/Notes/NoteRules.h"

#include <QJsonDocument>
#include <QSet>
#include <QStringDecoder>

namespace {

const QString notesFileName = QStringLiteral("notes-v2.json");
const QString legacyFileName = QStringLiteral("notes.txt");

using Outcome = PrivateFiles::FileRead::Outcome;

bool idsAreDistinct(const QList<WispNote>& notes)
{
    QSet<QUuid> ids;
    for (const WispNote& note : notes)
        ids.insert(note.id);
    return ids.size() == notes.size();
}

} // namespace

NotesStore::NotesStore(Clock& clock, Scheduler& scheduler, const QString& folder, QObject* parent)
    : QObject(parent)
    , m_clock(clock)
    , m_scheduler(scheduler)
    , m_folder(folder)
    , m_file(folder + u'/' + notesFileName, maxFileBytes)
    , m_saveStatus(savedStatus())
{
    load();
}

NotesStore::~NotesStore() = default;

NotesStore& NotesStore::shared()
{
    static auto* store = [] {
        auto* created = new NotesStore(Platform::clock(), Platform::scheduler(), appSupportDirectory());
        if (!created->loadedSuccessfully())
            reportProblem(QStringLiteral("Wisplet: could not read %1; the notes files are left as they are and "
                                         "nothing is saved over them.")
                              .arg(created->loadProblem()));
        return created;
    }();
    return *store;
}

QString NotesStore::savedStatus()
{
    return QStringLiteral("Saved on this computer");
}

QString NotesStore::savingStatus()
{
    return QStringLiteral("Saving…");
}

QString NotesStore::saveFailedStatus()
{
    return QStringLiteral("Save failed — copy your text or retry");
}

QString NotesStore::loadFailedStatus()
{
    return QStringLiteral("Could not read notes. Original files preserved.");
}

QString NotesStore::tookInNotice()
{
    return QStringLiteral("Took in changes another program made to notes-v2.json.");
}

QString NotesStore::keptTwiceNotice()
{
    return QStringLiteral("Took in changes another program made to notes-v2.json. A note changed both here and "
                          "there is kept twice, once as each side left it.");
}

QString NotesStore::notesPath() const
{
    return m_file.path();
}

void NotesStore::load()
{
    const PrivateFiles::FileRead found = m_file.read();
    if (found.outcome != Outcome::absent) {
        const std::optional<QList<WispNote>> notes =
            found.outcome == Outcome::read ? decodeNotes(found.contents) : std::nullopt;
        if (!notes)
            return failLoad(notesPath(),
                            found.outcome == Outcome::read ? QStringLiteral("not a notes file") : found.reason);
        m_notes = *notes;
        // The notes stay readable, but a file with two notes of one id is not ours to rewrite.
        if (!idsAreDistinct(m_notes))
            return failLoad(notesPath(), QStringLiteral("two notes share an id"));
        m_saved = m_notes;
    } else {
        QString starter;
        if (!loadLegacyText(starter))
            return;
        m_notes = {WispNote{QUuid::createUuid(), QStringLiteral("Scratchpad"), starter, false, now()}};
        m_dirty = true;
    }
    if (!m_notes.isEmpty())
        m_selectedID = m_notes.first().id;
    if (m_dirty)
        save();
}

// The text of the older single-file format, whole; false (the load failed) when it exists but is
// unreadable or not UTF-8.
bool NotesStore::loadLegacyText(QString& text)
{
    const QString path = m_folder + u'/' + legacyFileName;
    const PrivateFiles::FileRead found = PrivateFiles::readRegularFile(path, maxLegacyBytes);
    if (found.outcome == Outcome::absent)
        return true;
    if (found.outcome != Outcome::read) {
        failLoad(path, found.reason);
        return false;
    }
    // Stateless, so a sequence cut off at the end counts as an error instead of waiting for more bytes.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text = decoder.decode(found.contents);
    if (decoder.hasError())
        failLoad(path, QStringLiteral("not UTF-8 text"));
    return !decoder.hasError();
}

StoredJson::Date NotesStore::now() const
{
    return StoredJson::Date::of(m_clock.now());
}

void NotesStore::failLoad(const QString& path, const QString& reason)
{
    m_loadedSuccessfully = false;
    m_loadProblem = QStringLiteral("%1 (%2)").arg(path, reason);
    m_saveStatus = loadFailedStatus();
}

void NotesStore::setSelectedID(const QUuid& id)
{
    m_selectedID = id;
    emit selectedIDChanged(id);
    emit changed();
}

qsizetype NotesStore::indexOf(const QUuid& id) const
{
    if (id.isNull())
        return -1;
    for (qsizetype i = 0; i < m_notes.size(); ++i) {
        if (m_notes[i].id == id)
            return i;
    }
    return -1;
}

std::optional<WispNote> NotesStore::selectedNote() const
{
    const qsizetype index = selectedIndex();
    if (index < 0)
        return std::nullopt;
    return m_notes[index];
}

QList<WispNote> NotesStore::filteredNotes(const QString& query) const
{
    return NoteRules::filtered(m_notes, query);
}

void NotesStore::update(const std::optional<QString>& title, const std::optional<QString>& text)
{
    const qsizetype index = selectedIndex();
    if (!m_loadedSuccessfully || index < 0)
        return;
    changeNotes([&](QList<WispNote>& notes) {
        WispNote& note = notes[index];
        if (title)
            note.title = *title;
        if (text)
            note.text = *text;
        note.updated = now();
    });
}

void NotesStore::newNote()
{
    if (!m_loadedSuccessfully)
        return;
    const WispNote note{QUuid::createUuid(), QStringLiteral("Untitled note"), QString(), false, now()};
    changeNotes([&](QList<WispNote>& notes) { notes.prepend(note); });
    setSelectedID(note.id);
}

void NotesStore::togglePin()
{
    const qsizetype index = selectedIndex();
    if (!m_loadedSuccessfully || index < 0)
        return;
    changeNotes([&](QList<WispNote>& notes) { notes[index].pinned = !notes[index].pinned; });
}

void NotesStore::deleteSelected()
{
    if (!m_loadedSuccessfully || m_selectedID.isNull())
        return;
    changeNotes(
        [&](QList<WispNote>& notes) { notes.removeIf([&](const WispNote& note) { return note.id == m_selectedID; }); });
    setSelectedID(m_notes.isEmpty() ? QUuid() : m_notes.first().id);
}

// In place: with many notes, a copy of the list on every keystroke would be felt.
void NotesStore::changeNotes(const std::function<void(QList<WispNote>&)>& change)
{
    change(m_notes);
    emit notesChanged(m_notes);
    emit changed();
    scheduleSave();
}

// The selection is set before anyone hears of the new notes, so the note being edited never looks gone.
void NotesStore::replaceNotes(QList<WispNote> notes, const QUuid& selected)
{
    m_notes = std::move(notes);
    const QUuid previous = m_selectedID;
    m_selectedID = indexOf(selected) >= 0 ? selected : (m_notes.isEmpty() ? QUuid() : m_notes.first().id);
    emit notesChanged(m_notes);
    if (m_selectedID != previous)
        emit selectedIDChanged(m_selectedID);
    emit changed();
}

void NotesStore::setSaveStatus(const QString& status)
{
    m_saveStatus = status;
    emit saveStatusChanged(status);
    emit changed();
}

void NotesStore::setNotice(const QString& notice)
{
    if (notice == m_notice)
        return;
    m_notice = notice;
    emit noticeChanged(notice);
    emit changed();
}

void NotesStore::scheduleSave()
{
    m_dirty = true;
    setSaveStatus(savingStatus());
    // Replacing the handle cancels the save a previous edit armed.
    m_saveWork = m_scheduler.callAfter(std::chrono::milliseconds(saveDelayMs), [this] { save(); });
}

bool NotesStore::save()
{
    m_saveWork.reset();
    if (!m_loadedSuccessfully)
        return !m_dirty;
    if (!m_dirty)
        return true;
    if (!takeInOutsideChange())
        return failSave();
    if (m_notes != m_saved) {
        const QByteArray data = QJsonDocument(encodeNotes(m_notes)).toJson(QJsonDocument::Compact);
        // A new folder is synced into its parent, so a power cut cannot lose it with the file in it.
        if (!PrivateFiles::ensureFolder(m_folder) || !m_file.write(data))
            return failSave();
        m_saved = m_notes;
    }
    m_dirty = false;
    setSaveStatus(savedStatus());
    return true;
}

// The change stays in memory and dirty: the next change, the status button or the quit tries again.
bool NotesStore::failSave()
{
    setSaveStatus(saveFailedStatus());
    return false;
}

// Another program's version of the file is taken in before ours replaces it. False when the file must not
// be replaced now.
bool NotesStore::takeInOutsideChange()
{
    if (!m_fileUnread && !m_file.changedSinceSeen())
        return true;
    const PrivateFiles::FileRead found = m_file.read();
    switch (found.outcome) {
    case Outcome::absent:
        // Removed since: the notes are written anew. A file gone is no list of notes deleted.
        fileReadAgain();
        m_saved.clear();
        return true;
    case Outcome::inaccessible:
        // Said once, not at every retry.
        if (!m_fileUnread)
            setNotice(UnreadableFile::leaveInPlace(notesPath(), found.reason));
        m_fileUnread = true;
        return false;
    case Outcome::unsuitable:
        return setAside(found.reason);
    case Outcome::read:
        break;
    }
    const std::optional<QList<WispNote>> theirs = decodeNotes(found.contents);
    if (!theirs)
        return setAside(QStringLiteral("not a notes file"));
    if (!idsAreDistinct(*theirs))
        return setAside(QStringLiteral("two notes share an id"));
    fileReadAgain();
    takeIn(*theirs);
    return true;
}

// A file left alone because it could not be opened is ours to write again, and the page stops saying so.
void NotesStore::fileReadAgain()
{
    if (!m_fileUnread)
        return;
    m_fileUnread = false;
    setNotice(QString());
}

// Whatever another program put at the path that is no notes file goes aside, so ours can be written.
bool NotesStore::setAside(const QString& reason)
{
    const UnreadableFile::SetAside aside = UnreadableFile::setAside(notesPath(), reason);
    setNotice(aside.notice);
    m_fileUnread = aside.path.isEmpty();
    if (!m_fileUnread)
        m_saved.clear();
    return !m_fileUnread;
}

void NotesStore::takeIn(const QList<WispNote>& theirs)
{
    QHash<QUuid, QUuid> renamed;
    QList<WispNote> merged = MergeById::merged(
        m_saved, m_notes, theirs, [](const WispNote& note) { return note.id; },
        [&renamed](WispNote note) {
            const QUuid fresh = QUuid::createUuid();
            renamed.insert(note.id, fresh);
            note.id = fresh;
            return note;
        });
    m_saved = theirs;
    if (merged == m_notes)
        return;
    // The note being edited stays selected, under its new id when it had to take one.
    replaceNotes(std::move(merged), renamed.value(m_selectedID, m_selectedID));
    setNotice(renamed.isEmpty() ? tookInNotice() : keptTwiceNotice());
}
