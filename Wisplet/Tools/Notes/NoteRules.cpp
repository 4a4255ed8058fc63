#include "Wisplet/Tools/Notes/NoteRules.h"

#include "Wisplet/Base/Graphemes.h"

#include <QSaveFile>

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
    QSaveFile file(path);
    const QByteArray data = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    return file.commit() ? QString() : file.errorString();
}

} // namespace NoteRules
