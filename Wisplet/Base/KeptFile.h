#pragma once

#include "Wisplet/Platform/StoreFile.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

// A store's own file as the store keeps it: read at start, looked at again before each write, and what went
// wrong with it said in lines for the store's page (a failure also once on standard error). Contents that do
// not decode are set aside; whatever else is not ours to replace (a folder, a pipe, a file too large, one
// that cannot be opened) is left where it is; neither is written over. A plain value, so a worker thread can
// take it for a save and hand it back.
class KeptFile final
{
public:
    // What stopped a save.
    enum class Trouble { unopened, inTheWay, notSetAside, notWritten };

    // The store's own lines.
    struct Words
    {
        // For a failed save, from what stopped it and why; without it the store says it its own way.
        std::function<QString(Trouble, const QString& reason)> saveFailed;
        // For another program's change taken in (keptTwice: an item changed on both sides is there twice);
        // without it, "<name> was changed by another program; its changes were taken in.", and an empty
        // line says nothing.
        std::function<QString(bool keptTwice)> tookIn;
    };

    KeptFile(const QString& path, qint64 maxBytes, Words words);

    const QString& path() const { return m_file.path(); }
    qint64 maxBytes() const { return m_file.maxBytes(); }

    // At start: the contents, for the store to decode; none when there is no file, and none (said) when what
    // is there is no file of ours to read (a folder, a pipe, a file too large) or cannot be opened: both are
    // left in place.
    std::optional<QByteArray> readAtStart();
    // At start, for a store with rules of its own for a file it cannot use: what is there, nothing done.
    PrivateFiles::FileRead readAsIs() { return m_file.read(); }
    // The contents read do not decode: the file is moved aside (said). False when it could not be moved;
    // then it is read again before any write.
    bool setAside(const QString& reason);

    // Before writing: true when the store may write now. When another program wrote the file since it was
    // last read or written here, takeIn is given its contents first, and contents it refuses (saying why) are
    // set aside. False (said) when something not ours to replace is in the way.
    bool lookBeforeWriting(const std::function<bool(const QByteArray& contents, QString& whyNot)>& takeIn);
    // Replaces the file; a failure is said until a later save succeeds.
    bool write(const QByteArray& data);
    // The file holds what the store has: nothing is written, and no failure is said any more.
    void upToDate();
    void tookIn(bool keptTwice);

    // What is at the path was neither read as ours nor moved away: what it holds is unknown.
    bool isUnread() const { return m_unread; }
    // The last thing said about the file (set aside, left in place, changed by another program).
    const QString& notice() const { return m_notice; }
    // The page's line: the current failure, else the notice; empty when all is well.
    QString message() const { return m_failure.isEmpty() ? m_notice : m_failure; }

    // For a page whose one line also says things of the store's own: what it is to show once the file's line
    // went from `before` to `after`; none when it stays. A new line of the file's replaces it; a line that
    // went (a failure mended) takes the page's with it only while the page still shows it.
    static std::optional<QString> pageLine(const QString& shown, const QString& before, const QString& after);

private:
    void leaveInPlace(const QString& reason);
    void readAgain();
    bool fail(Trouble trouble, const QString& reason);

    StoreFile m_file;
    Words m_words;
    QString m_notice;
    QString m_failure;
    bool m_failing = false;
    bool m_unread = false;
};
