#include "Wisplet/Tools/Notes/NoteRules.h"

#include "Wisplet/Base/Graphemes.h"
#include "Wisplet/Platform/PrivateFiles.h"

#include <algorithm>

namespace NoteRules {

namespace {

constexpr int exportNameLength = 80;

bool matches(const WispNote& note, const QString& query)
{
    return query.isEmpty() || note.title.contains(query, Qt::CaseInsensitive)
        || note.text.contains(query, Qt::CaseInsensitive);
}

} // namespace

QList<WispNote> filtered(const QList<WispNote>& notes, const QString& query)
{
    // Positions are sorted rather than the notes themselves: with many notes, moving them costs far more.
    QList<qsizetype> order;
    order.reserve(notes.size());
    for (qsizetype i = 0; i < notes.size(); ++i) {
        if (matches(notes[i], query))
            order.append(i);
    }
    std::stable_sort(order.begin(), order.end(), [&notes](qsizetype a, qsizetype b) {
        if (notes[a].pinned != notes[b].pinned)
            return notes[a].pinned;
        return notes[a].updated > notes[b].updated;
    });
    QList<WispNote> result;
    result.reserve(order.size());
    for (const qsizetype i : std::as_const(order))
        result.append(notes[i]);
    return result;
}

bool tooLongToEdit(const WispNote& note)
{
    return note.title.size() > maxEditableLength || note.text.size() > maxEditableLength;
}

int wordCount(const QString& text)
{
    int count = 0;
    bool inWord = false;
    for (const QChar ch : text) {
        const bool space = ch.isSpace();
        if (!space && !inWord)
            ++count;
        inWord = !space;
    }
    return count;
}

QString exportFileName(const QString& title)
{
    const QString name = title.isEmpty() ? QStringLiteral("Note") : title;
    return Graphemes::leading(name, exportNameLength).replace(u'/', u'-') + QStringLiteral(".txt");
}

QString writeText(const QString& path, const QString& text)
{
    QString error;
    return PrivateFiles::writeChosenFile(path, text.toUtf8(), &error) ? QString() : error;
}

} // namespace NoteRules
