#pragma once

#include <QString>

// Text another program hands us over the bus (a media player's metadata, a service's error message) is
// kept to a length far above anything shown, so a peer's megabytes are never measured, laid out or kept.
namespace PeerText {

// In UTF-16 units.
constexpr qsizetype maxLength = 1'000;

// The text, or its longest start within maxLength that ends between two characters as a reader sees them
// (grapheme clusters).
QString bounded(const QString& text);

} // namespace PeerText
