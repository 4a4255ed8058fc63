#include "Wisplet/Platform/Pasteboard.h"

#include <QPointer>
#include <QUrl>

#include <algorithm>

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

// Text types in the order they are preferred; the X11 names are those of copies read from the selection.
// Plain "text/plain" is taken as UTF-8, as every Linux program writes it.
const QStringList utf8TextTypes{QStringLiteral("text/plain;charset=utf-8"), QStringLiteral("UTF8_STRING"),
                                QStringLiteral("text/plain")};
const QString latin1TextType = QStringLiteral("STRING");

// The name a marker is offered under: programs write them in any case.
std::optional<QString> offeredAs(const QStringList& types, const char* marker)
{
    const auto found = std::find_if(types.cbegin(), types.cend(), [&](const QString& type) {
        return type.compare(QLatin1String(marker), Qt::CaseInsensitive) == 0;
    });
    return found != types.cend() ? std::optional(*found) : std::nullopt;
}

} // namespace

QCoro::Task<QStringList> Pasteboard::types(int copy)
{
    if (copy != changeCount())
        co_return QStringList();
    const QPointer self(this);
    const QStringList read = co_await readTypes();
    co_return (self && copy == changeCount()) ? read : QStringList();
}

QCoro::Task<PasteboardData> Pasteboard::data(int copy, QString type, qint64 maxBytes)
{
    if (copy != changeCount())
        co_return PasteboardData();
    const QPointer self(this);
    const PasteboardData read = co_await readData(type, maxBytes);
    co_return (self && copy == changeCount()) ? read : PasteboardData();
}

QCoro::Task<QStringList> Pasteboard::filePaths(int copy, QStringList types, qint64 maxBytes)
{
    if (!types.contains(QLatin1String(uriListType)))
        co_return QStringList();
    const PasteboardData list = co_await data(copy, QLatin1String(uriListType), maxBytes);
    co_return filePathsFromUriList(list.bytes);
}

QCoro::Task<PasteboardText> Pasteboard::text(int copy, QStringList types, qint64 maxBytes)
{
    for (const QString& type : std::as_const(utf8TextTypes)) {
        if (types.contains(type)) {
            const PasteboardData read = co_await data(copy, type, maxBytes);
            co_return PasteboardText{QString::fromUtf8(read.bytes), read.tooLarge};
        }
    }
    if (types.contains(latin1TextType)) {
        const PasteboardData read = co_await data(copy, latin1TextType, maxBytes);
        co_return PasteboardText{QString::fromLatin1(read.bytes), read.tooLarge};
    }
    co_return PasteboardText();
}

QCoro::Task<bool> Pasteboard::isConcealed(int copy, QStringList types)
{
    if (offeredAs(types, concealedType))
        co_return true;
    const std::optional<QString> hintType = offeredAs(types, passwordManagerHint);
    if (!hintType)
        co_return false;
    const PasteboardData hint = co_await data(copy, *hintType, 64);
    // A hint that goes unanswered may well have said "secret". An empty one is no answer either: read
    // through Qt, a refusal looks the same.
    const QByteArray said = hint.bytes.trimmed();
    co_return !hint.answered || hint.tooLarge || said.isEmpty() || said.compare("secret", Qt::CaseInsensitive) == 0;
}

bool Pasteboard::isTransient(const QStringList& types)
{
    return offeredAs(types, transientType).has_value();
}
