#pragma once

#include "Wisplet/Platform/StoreFile.h"

#include <QVariantMap>

// The settings' file: one readable JSON object holding the stored values, a date as {"$date": seconds since
// 2001-01-01 UTC} and data as {"$data": Base64}. It is written indented for the user's eye, and compact when the
// indented form would be more than its own reader accepts.
class SettingsFile final
{
public:
    struct Contents
    {
        enum class Outcome {
            absent,
            read,
            // A file that holds no JSON object of ours, or too much: to be set aside.
            unreadable,
            // Something else in its place: a folder, a FIFO, a device.
            notAFile,
            // There, but it could not be opened: nothing is known about it.
            inaccessible,
        };
        Outcome outcome = Outcome::absent;
        QVariantMap values;
        // Why it could not be read.
        QString reason;
    };

    SettingsFile(const QString& path, qint64 maxBytes);

    const QString& path() const { return m_file.path(); }

    // Reads the file (removing what an interrupted save left beside it, the first time) and remembers the
    // version read.
    Contents read();
    // Another program changed, replaced or removed the file since it was last read or written here.
    bool changedSinceSeen() const { return m_file.changedSinceSeen(); }
    // Replaces the file with the values; fails, leaving it whole, on any failed write and when even the
    // compact form is over the limit. errorString then says why.
    bool write(const QVariantMap& values, QString* errorString);

    // The two values (invalid for absent) would be written alike: the file cannot tell them apart.
    static bool writtenAlike(const QVariant& a, const QVariant& b);

private:
    StoreFile m_file;
};
