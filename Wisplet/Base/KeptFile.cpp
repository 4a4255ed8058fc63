#include "Wisplet/Base/KeptFile.h"

#include "Wisplet/Base/ProblemReport.h"
#include "Wisplet/Base/UnreadableFile.h"

#include <QFileInfo>

using Outcome = PrivateFiles::FileRead::Outcome;

KeptFile::KeptFile(const QString& path, qint64 maxBytes, std::function<QString(const QString&)> saveFailed)
    : m_file(path, maxBytes)
    , m_saveFailed(std::move(saveFailed))
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
        setAside(found.reason);
        break;
    case Outcome::inaccessible:
        // Nothing is known of what it holds: it may well be the user's data, readable again tomorrow.
        m_unopened = true;
        m_notice = UnreadableFile::leaveInPlace(path(), found.reason);
        break;
    }
    return std::nullopt;
}

bool KeptFile::setAside(const QString& reason)
{
    const UnreadableFile::SetAside aside = UnreadableFile::setAside(path(), reason);
    m_notice = aside.notice;
    m_setAsideReason = aside.path.isEmpty() ? reason : QString();
    return !aside.path.isEmpty();
}

bool KeptFile::lookBeforeWriting(std::optional<QByteArray>& changed)
{
    changed.reset();
    if (!m_setAsideReason.isEmpty()) {
        const QString aside = PrivateFiles::setAside(path());
        if (aside.isEmpty() && QFileInfo::exists(path())) {
            fail(QStringLiteral("the unreadable file could not be set aside"));
            return false;
        }
        if (!aside.isEmpty())
            m_notice = UnreadableFile::notice(path(), m_setAsideReason, aside);
        m_setAsideReason.clear();
    }
    if (!m_unopened && !m_file.changedSinceSeen())
        return true;
    PrivateFiles::FileRead found = m_file.read();
    switch (found.outcome) {
    case Outcome::absent:
        // Removed by someone else: there is nothing to take in, and the store's list is all there is.
        break;
    case Outcome::read:
        changed = std::move(found.contents);
        break;
    case Outcome::unsuitable:
    case Outcome::inaccessible:
        // Something not ours stands at the path now (a folder, a pipe, a file we may not open): it stays,
        // and the store keeps its change until the way is clear.
        fail(found.reason);
        return false;
    }
    m_unopened = false;
    return true;
}

bool KeptFile::write(const QByteArray& data)
{
    // The folder may have been removed since start.
    PrivateFiles::ensureFolder(QFileInfo(path()).absolutePath());
    QString reason;
    if (!m_file.write(data, &reason)) {
        fail(reason);
        return false;
    }
    m_failure.clear();
    return true;
}

void KeptFile::tookIn()
{
    m_notice = QStringLiteral("%1 was changed by another program; its changes were taken in.")
                   .arg(QFileInfo(path()).fileName());
}

void KeptFile::fail(const QString& reason)
{
    // The journal hears of it when it starts, not again for every retry.
    if (m_failure.isEmpty())
        reportProblem(QStringLiteral("Wisplet: could not save %1 (%2).").arg(path(), reason));
    m_failure = m_saveFailed(reason);
}
