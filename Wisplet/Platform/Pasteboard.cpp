#include "Wisplet/Platform/Pasteboard.h"

#include <QUrl>

namespace {

// Lines of addresses; "#" starts a comment.
QStringList filePathsFromUriList(const QByteArray& list)
{
    QStringList paths;
    for (const QByteArray& raw : list.split('\n')) {
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

QStringList Pasteboard::filePaths() const
{
    if (!types().contains(QLatin1String(uriListType)))
        return {};
    return filePathsFromUriList(data(QLatin1String(uriListType)));
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
