#pragma once

#include <QStringList>

// Listing folders of calendar files without letting a folder of a hundred thousand entries cost more than
// a bounded look: only so many entries are visited, only so many are kept.
namespace ICalendarFolder {

struct Listing
{
    // Absolute paths in byte order of their names.
    QStringList paths;
    // Some were left out for the limit.
    bool more = false;
};

// The .ics files directly in the folder (not hidden), at most `limit` of them.
Listing calendarFiles(const QString& folder, int limit);
// The folders directly in the folder, at most `limit` of them.
Listing subfolders(const QString& folder, int limit);

// `one` for a count of one, else `many` with the count for %1 in the locale's digits.
QString counted(qint64 count, const QString& one, const QString& many);

// Files a scan passed over, said in one line.
class Skipped final
{
public:
    // `overran`: the reason is that reading it took too long.
    void add(const QString& name, const QString& reason, bool overran = false);
    bool isEmpty() const { return m_names.isEmpty(); }
    QString lastReason() const { return m_reason; }
    // "Skipped a.ics: <reason>." for one; for more, `overran` when every one took too long, else `several`
    // (each with %1 for the count); empty for none.
    QString note(const QString& several, const QString& overran) const;

private:
    QStringList m_names;
    QString m_reason;
    qsizetype m_overran = 0;
};

} // namespace ICalendarFolder
