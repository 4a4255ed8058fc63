#pragma once

#include "Wisplet/Platform/StoreFile.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

// A store's own file as the store keeps it: read at start, looked at again before each write, and what went
// wrong with it said in one line for the store's page (a failure also once on standard error). A file that
// cannot be read is set aside, one that cannot be opened is left where it is, and neither is written over.
class KeptFile final
{
public:
    // saveFailed makes the page's line for a failed save from its reason.
    KeptFile(const QString& path, qint64 maxBytes, std::function<QString(const QString& reason)> saveFailed);

    const QString& path() const { return m_file.path(); }

    // The contents at start, for the store to decode; none when there is no file, and none (said) when it
    // cannot be read: it is set aside, or left in place when it cannot be opened.
    std::optional<QByteArray> readAtStart();
    // The contents read do not decode: the file is moved aside (said). False when it could not be moved;
    // then nothing is written until it can be.
    bool setAside(const QString& reason);

    // Before writing: true when the store may write now, with changed holding the file's contents when
    // another program wrote it since it was last read or written here. False (said) when something that
    // is not ours to replace is in the way.
    bool lookBeforeWriting(std::optional<QByteArray>& changed);
    // Replaces the file; a failure is said until a later write succeeds.
    bool write(const QByteArray& data);
    // Another program's change was taken in with ours.
    void tookIn();

    // The page's line: the current failure, else the last thing said about the file; empty when all is well.
    QString message() const { return m_failure.isEmpty() ? m_notice : m_failure; }

private:
    void fail(const QString& reason);

    StoreFile m_file;
    std::function<QString(const QString&)> m_saveFailed;
    QString m_notice;
    QString m_failure;
    // Why the file could not be read, while it could not be moved aside.
    QString m_setAsideReason;
    // The file could not be opened at start: what it holds is still unknown.
    bool m_unopened = false;
};
