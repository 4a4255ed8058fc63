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

// Files a scan passed over, said in one line.
class Skipped final
{
public:
    void add(const QString& name, const QString& reason);
    bool isEmpty() const { return m_names.isEmpty(); }
    QString lastReason() const { return m_reason; }
    // "Skipped a.ics: <reason>." for one; `several` (with %1 for the count) for more; empty for none.
    QString note(const QString& several) const;

private:
    QStringList m_names;
    QString m_reason;
};

} // namespace ICalendarFolder
