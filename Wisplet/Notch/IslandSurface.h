#pragma once

#include "Wisplet/Notch/NotchGeometry.h"

#include <QPainterPath>
#include <QWidget>

// What the floating panel shows: a widget that fills the whole transparent panel and draws the island
// somewhere in it. The panel takes the island's outline as its X shape, so the rest lets clicks through
// and is never drawn.
class IslandSurface : public QWidget
{
    Q_OBJECT

public:
    using QWidget::QWidget;

    // The island as drawn at this moment (mid-animation included), in this widget's coordinates.
    virtual QPainterPath islandOutline() const = 0;
    // The screen, and the notch on it, changed.
    virtual void setNotchGeometry(const NotchGeometry& geometry) = 0;
    // A window of the program is coming forward: an island under the pointer does not open again on the
    // hover until the pointer has left it, so it stays clear of the window.
    virtual void stayClosedUntilLeft() { }

signals:
    // Emitted whenever islandOutline() would now give another path.
    void islandOutlineChanged();
};
