#include "Wisplet/Platform/StoreFile.h"

#include <QLocale>

StoreFile::StoreFile(const QString& path, qint64 maxBytes)
    : m_path(path)
    , m_maxBytes(maxBytes)
{
}

PrivateFiles::FileRead StoreFile::read()
{
    if (!m_leftoversRemoved) {
        // Only one program runs per user, so any temporary file beside ours is a save that never finished.
        PrivateFiles::removeLeftoverTemporaries(m_path);
        m_leftoversRemoved = true;
    }
    PrivateFiles::FileRead found = PrivateFiles::readRegularFile(m_path, m_maxBytes);
    m_seen = found.stamp;
    return found;
}

bool StoreFile::changedSinceSeen() const
{
    return PrivateFiles::stampOf(m_path) != m_seen;
}

bool StoreFile::write(const QByteArray& data, QString* errorString)
{
    if (data.size() > m_maxBytes) {
        if (errorString)
            *errorString = QStringLiteral("it would be larger than %1, more than can be read back")
                               .arg(QLocale::c().formattedDataSize(m_maxBytes, 0));
        return false;
    }
    return PrivateFiles::writeAtomically(m_path, data, errorString, &m_seen);
}
