#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QStringList>

// The program's symbols ("timer", "doc.on.clipboard", …) are single-colour drawings of our own, tinted as
// they are rendered, so the look never depends on the desktop's icon theme. GUI thread only.

// Every symbol name the table knows.
QStringList symbolNames();

// The symbol in the tint's colour (and alpha), logicalSize points at the device pixel ratio given: the
// pixmap is logicalSize × dpr device pixels and carries the ratio. A null pixmap for a name the table does
// not know or an empty size.
QPixmap symbolPixmap(const QString& name, const QSize& logicalSize, const QColor& tint, qreal dpr);

// The same as an icon that renders sharply at any size and ratio it is drawn at; disabled, it is drawn at
// reduced opacity. A null icon for an unknown name.
QIcon symbolIcon(const QString& name, const QColor& tint);
