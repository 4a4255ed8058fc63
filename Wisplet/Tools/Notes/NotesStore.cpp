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
            reportProblem(QStringLiteral("Wisplet: could not read the notes in %1; the files are left as they are "
                                         "and nothing is saved over them.")
                              .arg(created->notesPath()));
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

QString NotesStore::notesPath() const
{
    return m_folder + u'/' + notesFileName;
}

void NotesStore::load()
{
    const PrivateFiles::FileRead found = PrivateFiles::readRegularFile(notesPath(), maxFileBytes);
    if (found.outcome != Outcome::absent) {
        const std::optional<QList<WispNote>> notes =
            found.outcome == Outcome::read ? decodeNotes(found.contents) : std::nullopt;
        if (!notes)
            return failLoad();
        m_notes = *notes;
        // The notes stay readable, but a file with two notes of one id is not ours to rewrite.
        if (!idsAreDistinct(m_notes))
            return failLoad();
    } else {
        QString starter;
        if (!loadLegacyText(starter))
            return failLoad();
        m_notes = {WispNote{QUuid::createUuid(), QStringLiteral("Scratchpad"), starter, false, now()}};
        m_dirty = true;
    }
    if (!m_notes.isEmpty())
        m_selectedID = m_notes.first().id;
    if (m_dirty)
        save();
}

// The text of the older single-file format, whole; false when it exists but is unreadable or not UTF-8.
bool NotesStore::loadLegacyText(QString& text) const
{
    const PrivateFiles::FileRead found =
        PrivateFiles::readRegularFile(m_folder + u'/' + legacyFileName, maxLegacyBytes);
    if (found.outcome == Outcome::absent)
        return true;
    if (found.outcome != Outcome::read)
        return false;
    // Stateless, so a sequence cut off at the end counts as an error instead of waiting for more bytes.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text = decoder.decode(found.contents);
    return !decoder.hasError();
}

StoredJson::Date NotesStore::now() const
{
    return StoredJson::Date::of(m_clock.now());
}

void NotesStore::failLoad()
{
    m_loadedSuccessfully = false;
    m_saveStatus = loadFailedStatus();
}

void NotesStore::setSelectedID(const QUuid& id)
{
    m_selectedID = id;
    emit selectedIDChanged(id);
    emit changed();
}

qsizetype NotesStore::selectedIndex() const
{
    if (m_selectedID.isNull())
        return -1;
    for (qsizetype i = 0; i < m_notes.size(); ++i) {
        if (m_notes[i].id == m_selectedID)
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
    QList<WispNote> notes = m_notes;
    WispNote& note = notes[index];
    if (title)
        note.title = *title;
    if (text)
        note.text = *text;
    note.updated = now();
    setNotes(std::move(notes));
    scheduleSave();
}

void NotesStore::newNote()
{
    if (!m_loadedSuccessfully)
        return;
    const WispNote note{QUuid::createUuid(), QStringLiteral("Untitled note"), QString(), false, now()};
    QList<WispNote> notes = m_notes;
    notes.prepend(note);
    setNotes(std::move(notes));
    setSelectedID(note.id);
    scheduleSave();
}

void NotesStore::togglePin()
{
    const qsizetype index = selectedIndex();
    if (!m_loadedSuccessfully || index < 0)
        return;
    QList<WispNote> notes = m_notes;
    notes[index].pinned = !notes[index].pinned;
    setNotes(std::move(notes));
    scheduleSave();
}

void NotesStore::deleteSelected()
{
    if (!m_loadedSuccessfully || m_selectedID.isNull())
        return;
    QList<WispNote> notes = m_notes;
    notes.removeIf([&](const WispNote& note) { return note.id == m_selectedID; });
    setNotes(std::move(notes));
    setSelectedID(m_notes.isEmpty() ? QUuid() : m_notes.first().id);
    scheduleSave();
}

void NotesStore::setNotes(QList<WispNote> notes)
{
    m_notes = std::move(notes);
    emit notesChanged(m_notes);
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
    const QByteArray data = QJsonDocument(encodeNotes(m_notes)).toJson(QJsonDocument::Compact);
    if (!PrivateFiles::writeAtomically(notesPath(), data)) {
        setSaveStatus(saveFailedStatus());
        return false;
    }
    m_dirty = false;
    setSaveStatus(savedStatus());
    return true;
}
