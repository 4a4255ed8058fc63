#pragma once

#include <QJsonArray>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// One bookmark of the links page: a title and an address, a web address or a file URL.
struct QuickLink
{
    QUuid id;
    QString title;
    QString url;

    friend bool operator==(const QuickLink&, const QuickLink&) = default;
};

// The links file is a JSON array of {"id", "title", "url"}; an element without one of them, or an id that
// is not a UUID, makes the whole file unreadable.
QJsonArray encodeLinks(const QList<QuickLink>& links);
std::optional<QList<QuickLink>> decodeLinks(const QByteArray& json);

// How a typed entry becomes a stored link.
namespace LinkRules {

// Without blanks and tabs at either end.
QString trimmed(const QString& text);
// A text without "://" and not starting with "/" is a web address; an absolute path becomes a file URL,
// ending with "/" when it names a folder.
QString normalisedAddress(const QString& typed);
// The trimmed title, else the address's host, else the address itself.
QString title(const QString& typedTitle, const QString& address);
// A stored address may be opened only when the page would have stored it as it stands had the user typed it,
// and it is absolute: a hand-edited or synced file could otherwise hand the desktop "javascript:…" or a
// text the opener reads as an option ("--help").
bool mayOpen(const QString& address);
// A file URL names something on this computer rather than the web.
bool isFileAddress(const QString& address);

} // namespace LinkRules
