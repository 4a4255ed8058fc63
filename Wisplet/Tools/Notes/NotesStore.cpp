#include "Wisplet/Tools/Notes/NotesStore.h"

#include "Wisplet/Base/AppSupport.h"
#include "Wisplet/Base/ProblemReport.h"
#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Platform/Platform.h"
#include "Wisplet/Platform/PrivateFiles.h"
#include "Wisplet/Platform/Scheduler.h"
#include "Wisplet/Tools/Notes/NoteRules.h"

#include <QJsonDocument>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>

namespace {

const QString notesFileName = QStringLiteral("notes-v2.json");
const QString legacyFileName = QStringLiteral("notes.txt");
const QString notNotes = QStringLiteral("not a notes file");
// The notes stay readable, but a file with two notes of one id is not ours to rewrite.
const QString sharedIds = QStringLiteral("two notes share an id");

using Outcome = PrivateFiles::FileRead::Outcome;

bool idsAreDistinct(const QList<WispNote>& notes)
{
    QSet<QUuid> ids;
    for (const WispNote& note : notes)
        ids.insert(note.id);
    return ids.size() == notes.size();
}

StoredList<WispNote>::Format notesFormat()
{
    return {
        [](const QByteArray& contents, QString& whyNot) {
            std::optional<QList<WispNote>> notes = decodeNotes(contents);
            whyNot = notes ? sharedIds : notNotes;
            return notes && idsAreDistinct(*notes) ? notes : std::nullopt;
        },
        [](const QList<WispNote>& notes) { return QJsonDocument(encodeNotes(notes)).toJson(QJsonDocument::Compact); }};
}

// The page shows the save status instead of a failure's line.
KeptFile::Words notesWords()
{
    return {{}, [](bool keptTwice) { return keptTwice ? NotesStore::keptTwiceNotice() : NotesStore::tookInNotice(); }};
}

} // namespace

NotesStore::NotesStore(Clock& clock, Scheduler& scheduler, const QString& folder, QObject* parent)
    : QObject(parent)
    , m_clock(clock)
    , m_scheduler(scheduler)
    , m_folder(folder)
    , m_file(pathIn(folder), maxFileBytes, notesFormat(), notesWords())
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

QString NotesStore::pathIn(const QString& folder)
{
    return folder + u'/' + notesFileName;
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
    // A file that cannot be read is neither set aside nor written over: the notes stay as they are.
    const PrivateFiles::FileRead found = m_file.readAsIs();
    if (found.outcome != Outcome::absent) {
        const std::optional<QList<WispNote>> notes =
            found.outcome == Outcome::read ? decodeNotes(found.contents) : std::nullopt;
        if (!notes)
            return failLoad(notesPath(), found.outcome == Outcome::read ? notNotes : found.reason);
        m_notes = *notes;
        if (!idsAreDistinct(m_notes))
            return failLoad(notesPath(), sharedIds);
        m_file.loadedAs(m_notes);
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
void NotesStore::notesTakenIn(const QUuid& selected)
{
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

void NotesStore::scheduleSave()
{
    m_dirty = true;
    setSaveStatus(savingStatus());
    const qint64 now = m_clock.monotonicMs();
    if (!m_unsavedSinceMs)
        m_unsavedSinceMs = now;
    const qint64 delay = std::clamp<qint64>(*m_unsavedSinceMs + longestSaveDelayMs - now, 0, saveDelayMs);
    // Replacing the handle cancels the save a previous edit armed.
    m_saveWork = m_scheduler.callAfter(std::chrono::milliseconds(delay), [this] { save(); });
}

bool NotesStore::save()
{
    m_saveWork.reset();
    // Tried, written or not: a failing disk is tried again after the next pause, not at every keystroke.
    m_unsavedSinceMs.reset();
    if (!m_loadedSuccessfully)
        return !m_dirty;
    if (!m_dirty)
        return true;
    const QString said = notice();
    const StoredList<WispNote>::Saved saved = m_file.save(m_notes);
    // The note being edited stays selected, under its new id when it had to take one.
    if (saved.tookIn)
        notesTakenIn(saved.renamed.value(m_selectedID, m_selectedID));
    if (notice() != said) {
        emit noticeChanged(notice());
        emit changed();
    }
    // A failed save keeps the change in memory and dirty: the next change, the status button or the quit
    // tries again.
    m_dirty = !saved.ok;
    setSaveStatus(saved.ok ? savedStatus() : saveFailedStatus());
    return saved.ok;
}
