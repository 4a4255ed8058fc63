#pragma once

#include <QString>

class QUrl;

// An address as the links page shows it, so that it cannot pass for another: its host as a browser shows it,
// and its bidi controls as visible marks rather than obeyed.
namespace ShownAddress {

// A decoded label of a host may be shown in Unicode when it is in one script (or one of the usual mixes of
// Han with kana, Hangul or Bopomofo, with or without Latin), holds no invisible or mixed-script digits, and
// does not read as an ASCII name once look-alike letters are taken for the ASCII they resemble ("аррӏе" in
// Cyrillic reads as a Latin name, "пример" does not).
bool mayShowInUnicode(const QString& label);
// The host, each label in Unicode where that may be shown, else in its ASCII (punycode) form.
QString host(const QUrl& url);
// The whole address for a tooltip, with its host as above; an address that is not a URL is shown with its
// other than printable ASCII characters percent-encoded, so no look-alike host can hide in it.
QString text(const QString& address);

} // namespace ShownAddress
