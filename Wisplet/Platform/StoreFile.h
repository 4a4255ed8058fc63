#pragma once

#include "Wisplet/Platform/PrivateFiles.h"

// One store's file, read and written only through here: the store sees another program's change before it
// writes over it (the version last read or written is remembered), never writes what it would refuse to
// read back (the size limit holds both ways), and what an interrupted save left beside the file is removed
// before the file is first read.
class StoreFile final
{
public:
    StoreFile(const QString& path, qint64 maxBytes);

    const QString& path() const { return m_path; }
    qint64 maxBytes() const { return m_maxBytes; }

    // Reads the file whole, within the limit, and remembers the version read.
    PrivateFiles::FileRead read();
    // True when what is on disk is not the version last read or written: another program changed,
    // replaced or removed the file since.
    bool changedSinceSeen() const;
    // Replaces the file atomically and durably (mode 0600). Fails, leaving the file as it was, on any
    // failed write and for data over the limit; errorString then says why.
    bool write(const QByteArray& data, QString* errorString = nullptr);

private:
    QString m_path;
    qint64 m_maxBytes;
    PrivateFiles::FileStamp m_seen;
    bool m_leftoversRemoved = false;
};
