#include "Wisplet/Tools/Notes/NoteRules.h"

#include "Wisplet/Base/Graphemes.h"
#include "Wisplet/Platform/PrivateFiles.h"

#include <QFileInfo>

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
    QList<WispNote> result;
    std::copy_if(notes.begin(), notes.end(), std::back_inserter(result),
                 [&](const WispNote& note) { return matches(note, query); });
    std::stable_sort(result.begin(), result.end(), [](const WispNote& a, const WispNote& b) {
        if (a.pinned != b.pinned)
            return a.pinned;
        return a.updated > b.updated;
    });
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
    const QByteArray data = text.toUtf8();
    const bool written = QFileInfo::exists(path) ? PrivateFiles::replaceKeepingMode(path, data, &error)
                                                 : PrivateFiles::writeAtomically(path, data, &error);
    return written ? QString() : error;
}

} // namespace NoteRules
