#pragma once

#include <QString>
#include <QStringList>

// The clipboard's excluded application ids as the text of one editable field.
namespace ExcludedAppsText {

// One id a line, in stored order.
QString format(const QStringList& ids);
// The pieces between line feeds and commas, in order, each trimmed of blanks. Empty pieces (two separators in
// a row, one at either end) give nothing; a piece of blanks only gives an empty id.
QStringList parse(const QString& text);

} // namespace ExcludedAppsText
