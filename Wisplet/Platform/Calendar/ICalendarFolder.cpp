#include "Wisplet/Platform/Calendar/ICalendarFolder.h"

#include <QDirIterator>
#include <QLocale>
#include <QObject>

#include <algorithm>

namespace ICalendarFolder {

namespace {

// Names that are not kept still cost a look; a few times the limit is enough for folders that also hold
// other files, and stops a folder of a hundred thousand of them.
constexpr int visitsPerKept = 4;

Listing list(const QString& folder, QDir::Filters filters, int limit, bool calendarsOnly)
{
    Listing listing;
    QDirIterator entries(folder, filters);
    for (qint64 visits = 0; entries.hasNext(); ++visits) {
        if (visits == qint64(limit) * visitsPerKept) {
            listing.more = true;
            break;
        }
        const QString path = entries.next();
        if (calendarsOnly && !path.endsWith(QStringLiteral(".ics"), Qt::CaseInsensitive))
            continue;
        if (listing.paths.size() == limit) {
            listing.more = true;
            break;
        }
        listing.paths.append(path);
    }
    // Byte order, not the locale's: the order must not change with the user's language.
    std::sort(listing.paths.begin(), listing.paths.end(),
              [](const QString& a, const QString& b) { return a.toUtf8() < b.toUtf8(); });
    return listing;
}

} // namespace

Listing calendarFiles(const QString& folder, int limit)
{
    // Special files are listed too, so that a FIFO in a calendar's place is said, not silently passed over.
    return list(folder, QDir::Files | QDir::System, limit, true);
}

Listing subfolders(const QString& folder, int limit)
{
    return list(folder, QDir::Dirs | QDir::NoDotAndDotDot, limit, false);
}

QString counted(qint64 count, const QString& one, const QString& many)
{
    return count == 1 ? one : many.arg(QLocale().toString(count));
}

void Skipped::add(const QString& name, const QString& reason, bool overran)
{
    m_names.append(name);
    m_reason = reason;
    m_overran += overran ? 1 : 0;
}

QString Skipped::note(const QString& several, const QString& overran) const
{
    if (m_names.size() == 1)
        return QObject::tr("Skipped %1: %2.").arg(m_names.first(), m_reason);
    if (m_names.isEmpty())
        return {};
    return (m_overran == m_names.size() ? overran : several).arg(QLocale().toString(m_names.size()));
}

} // namespace ICalendarFolder
