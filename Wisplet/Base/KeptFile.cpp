#include "Wisplet/Base/KeptFile.h"

#include "Wisplet/Base/ProblemReport.h"
#include "Wisplet/Base/UnreadableFile.h"

#include <QFileInfo>

#include <cerrno>

using Outcome = PrivateFiles::FileRead::Outcome;

namespace {

// Why a save cannot go where something else stands. A folder is named as the system would name it to a
// write, since that is what the user would look for.
QString whyInTheWay(const QString& path, const PrivateFiles::FileRead& found)
{
    return found.outcome == Outcome::unsuitable && QFileInfo(path).isDir() ? qt_error_string(EISDIR) : found.reason;
}

} // namespace

KeptFile::KeptFile(const QString& path, qint64 maxBytes, Words words)
    : m_file(path, maxBytes)
    , m_words(std::move(words))
{ }

std::optional<QByteArray> KeptFile::readAtStart()
{
    PrivateFiles::FileRead found = m_file.read();
    switch (found.outcome) {
    case Outcome::absent:
        break;
    case Outcome::read:
        return std::move(found.contents);
    case Outcome::unsuitable:
        // A folder, a pipe or a huge file is not ours to move: it stays, and saves wait until it goes.
        leaveInPlace(whyInTheWay(path(), found));
        break;
    case Outcome::inaccessible:
        // Nothing is known of what it holds: it may well be the user's data, readable again tomorrow.
        leaveInPlace(found.reason);
        break;
    }
    return std::nullopt;
}

bool KeptFile::setAside(const QString& reason)
{
    const UnreadableFile::SetAside aside = UnreadableFile::setAside(path(), reason);
    m_notice = aside.notice;
    m_unread = aside.path.isEmpty();
    return !m_unread;
}

void KeptFile::leaveInPlace(const QString& reason)
{
    // Said once, not at every save that finds it still there.
    if (!m_unread)
        m_notice = UnreadableFile::leaveInPlace(path(), reason);
    m_unread = true;
}

// What was left in place is gone or ours again, and the page stops speaking of it.
void KeptFile::readAgain()
{
    if (m_unread)
        m_notice.clear();
    m_unread = false;
}

bool KeptFile::lookBeforeWriting(const std::function<bool(const QByteArray&, QString&)>& takeIn)
{
    if (!m_unread && !m_file.changedSinceSeen())
        return true;
    const PrivateFiles::FileRead found = m_file.read();
    switch (found.outcome) {
    case Outcome::absent:
        // Removed by someone else: nothing to take in, and the store's list is written anew.
        readAgain();
        return true;
    case Outcome::read:
        break;
    case Outcome::unsuitable:
    case Outcome::inaccessible: {
        // Something not ours stands at the path now (a folder, a pipe, a file too large, one we may not
        // open): it stays, and the store keeps its change until the way is clear.
        const QString reason = whyInTheWay(path(), found);
        leaveInPlace(reason);
        return fail(found.outcome == Outcome::unsuitable ? Trouble::inTheWay : Trouble::unopened, reason);
    }
    }
    QString whyNot;
    if (takeIn(found.contents, whyNot)) {
        readAgain();
        return true;
    }
    if (!setAside(whyNot))
        return fail(Trouble::notSetAside,
                    QStringLiteral("%1 could not be set aside").arg(QFileInfo(path()).fileName()));
    return true;
}

bool KeptFile::write(const QByteArray& data)
{
    // The folder may have been removed since start; a new one is synced into its parent.
    PrivateFiles::ensureFolder(QFileInfo(path()).absolutePath());
    QString reason;
    if (!m_file.write(data, &reason))
        return fail(Trouble::notWritten, reason);
    upToDate();
    return true;
}

void KeptFile::upToDate()
{
    m_failing = false;
    m_failure.clear();
}

void KeptFile::tookIn(bool keptTwice)
{
    const QString line = m_words.tookIn
        ? m_words.tookIn(keptTwice)
        : QStringLiteral("%1 was changed by another program; its changes were taken in.")
              .arg(QFileInfo(path()).fileName());
    if (!line.isEmpty())
        m_notice = line;
}

bool KeptFile::fail(Trouble trouble, const QString& reason)
{
    // The journal hears of it when it starts, not again for every retry.
    if (!m_failing)
        reportProblem(QStringLiteral("Wisplet: could not save %1 (%2).").arg(path(), reason));
    m_failing = true;
    m_failure = m_words.saveFailed ? m_words.saveFailed(trouble, reason) : QString();
    return false;
}

std::optional<QString> KeptFile::pageLine(const QString& shown, const QString& before, const QString& after)
{
    if (after == before || (after.isEmpty() && shown != before))
        return std::nullopt;
    return after;
}
