#include "Wisplet/Platform/XdgAutostart.h"

#include "Wisplet/Platform/PrivateFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

XdgAutostart::XdgAutostart(QString entryPath, QString executablePath)
    : m_entryPath(std::move(entryPath))
    , m_executablePath(std::move(executablePath))
{
    // Made once, at start: what a write of the entry cut off by a kill left beside it goes now.
    PrivateFiles::removeLeftoverTemporaries(m_entryPath);
}

QString XdgAutostart::standardEntryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/autostart/com.tidewell.wisplet.desktop");
}

bool XdgAutostart::isEnabled() const
{
    // Read only as a regular file of a sane size: a pipe or a device put in the entry's place must not hold
    // up the start that asks.
    constexpr qint64 maxEntryBytes = 256 * 1024;
    const PrivateFiles::FileRead found = PrivateFiles::readRegularFile(m_entryPath, maxEntryBytes);
    if (found.outcome != PrivateFiles::FileRead::Outcome::read)
        return false;
    bool inMainGroup = false;
    for (const QByteArray& read : found.contents.split('\n')) {
        const QByteArray line = read.trimmed();
        if (line.startsWith('['))
            inMainGroup = line == "[Desktop Entry]";
        else if (inMainGroup && line.startsWith("Hidden") && line.mid(6).trimmed().startsWith('='))
            return line.mid(line.indexOf('=') + 1).trimmed() != "true";
    }
    return true;
}

QString XdgAutostart::execValue(const QString& executablePath)
{
    // Quote the path when it holds a reserved character, escaping what must be escaped inside quotes;
    // then apply the string escapes of the format ("\\", and the control characters strings may not hold)
    // and the field-code escape ("%%").
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = false;
    for (const QChar c : executablePath)
        needsQuotes = needsQuotes || reserved.contains(c);
    QString value;
    if (needsQuotes) {
        value += u'"';
        for (const QChar c : executablePath) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                value += u'\\';
            value += c;
        }
        value += u'"';
    } else {
        value = executablePath;
    }
    value.replace(u'\\', QStringLiteral("\\\\"));
    value.replace(u'%', QStringLiteral("%%"));
    value.replace(u'\n', QStringLiteral("\\n"));
    value.replace(u'\t', QStringLiteral("\\t"));
    value.replace(u'\r', QStringLiteral("\\r"));
    return value;
}

std::optional<QString> XdgAutostart::setEnabled(bool enabled)
{
    if (!enabled) {
        QFile file(m_entryPath);
        if (!file.exists() || file.remove())
            return std::nullopt;
        return file.errorString();
    }
    if (m_executablePath.isEmpty())
        return QStringLiteral("The program's own location is unknown.");
    // The session starts autostart entries from a working folder of its own choosing.
    const QString executable = QFileInfo(m_executablePath).absoluteFilePath();
    const QString folder = QFileInfo(m_entryPath).absolutePath();
    // Private like every folder of ours: an autostart folder others could write to would run their entries
    // as this user.
    if (!PrivateFiles::ensureFolder(folder))
        return QStringLiteral("The folder %1 could not be created.").arg(folder);
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Wisplet\n"
                                         "Comment=Start Wisp when you log in\n"
                                         "Exec=%1\n"
                                         "Icon=com.tidewell.wisplet\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(execValue(executable));
    QString error;
    if (!PrivateFiles::writeAtomically(m_entryPath, entry.toUtf8(), &error))
        return error;
    return std::nullopt;
}
