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

// How a typed entry becomes a stored link, and how a stored one is shown and opened.
namespace LinkRules {

// The most an address may hold, encoded as it is handed to the desktop: a line field keeps no more by default,
// and an opener handed far more may fail.
constexpr int maxAddressLength = 32767;

// The typed address without white space or line breaks at either end (a paste may bring them). Then "/path"
// becomes a file URL, ending with "/" when it names a folder, and so does "file:/path"; a bare mail address (one
// "@", no scheme, no path) a "mailto:" one; text without a scheme a web address. The spaces of a "tel:" number and
// of a "mailto:" query are percent-encoded; any other address stays as typed.
QString normalisedAddress(const QString& typed);
// Why the page refuses a normalised address it could never open: a control character, a script ("javascript:",
// "data:"), a scheme other than "mailto:" and "tel:" without "//", not a valid URL, a web address without a
// host, too long. Empty when it stores it.
QString refusal(const QString& address);
// The trimmed title, else the address's host as ShownAddress shows it, else the address itself.
QString title(const QString& typedTitle, const QString& address);
// What a link's chip reads: its title, unless that is only its address or host in another form (a file written
// by hand, or titled from the decoded host by an earlier version), then the host as ShownAddress shows it, or
// else the shown address.
QString shownTitle(const QuickLink& link);
// Why a stored address is not opened: what the page refuses, or an address the page would not have stored as
// it stands had the user typed it (a hand-edited or synced file could otherwise hand the desktop
// "javascript:…" or a text the opener reads as an option, "--help"). Empty when it may be opened.
QString whyNotOpened(const QString& address);
// A file URL names something on this computer rather than the web.
bool isFileAddress(const QString& address);

} // namespace LinkRules
