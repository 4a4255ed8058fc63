#include "Wisplet/Platform/Pasteboard.h"

#include <QUrl>

namespace {

QStringList localPaths(const QList<QByteArray>& lines)
{
    QStringList paths;
    for (const QByteArray& raw : lines) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QUrl url = QUrl::fromEncoded(line, QUrl::StrictMode);
        if (url.isValid() && url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths.append(url.toLocalFile());
    }
    return paths;
}

} // namespace

QStringList Pasteboard::filePathsFromUriList(const QByteArray& list)
{
    return localPaths(list.split('\n'));
}

QStringList Pasteboard::filePathsFromGnomeList(const QByteArray& list)
{
    QList<QByteArray> lines = list.split('\n');
    const QByteArray verb = lines.isEmpty() ? QByteArray() : lines.takeFirst().trimmed();
    if (verb != "copy" && verb != "cut")
        return {};
    return localPaths(lines);
}

QStringList Pasteboard::filePaths() const
{
    const QStringList available = types();
    if (available.contains(QLatin1String(uriListType)))
        return filePathsFromUriList(data(QLatin1String(uriListType)));
    if (available.contains(QLatin1String(gnomeFilesType)))
        return filePathsFromGnomeList(data(QLatin1String(gnomeFilesType)));
    return {};
}

bool Pasteboard::isConcealed() const
{
    const QStringList available = types();
    if (available.contains(QLatin1String(concealedType)))
        return true;
    return available.contains(QLatin1String(passwordManagerHint))
        && data(QLatin1String(passwordManagerHint)).trimmed() == "secret";
}

bool Pasteboard::isTransient() const
{
    return types().contains(QLatin1String(transientType));
}
