#include "Wisplet/Base/WindowPalette.h"

#include <QApplication>

QPalette darkWindowPalette()
{
    QPalette palette;
    const QColor window(0x1e, 0x1e, 0x20);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, Qt::white);
    palette.setColor(QPalette::Base, QColor(0x2a, 0x2a, 0x2d));
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Text, Qt::white);
    palette.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3d));
    palette.setColor(QPalette::ButtonText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, QColor(255, 255, 255, 110));
    palette.setColor(QPalette::Highlight, QColor(0x3d, 0x7e, 0xf0));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, window);
    palette.setColor(QPalette::ToolTipText, Qt::white);
    const QColor dimmed(0x7c, 0x7c, 0x80);
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, dimmed);
    // Disabled text is etched with this colour below it: on a dark window a light one blurs the text.
    palette.setColor(QPalette::Disabled, QPalette::Light, window);
    return palette;
}

void useDarkWindowPalette()
{
    QApplication::setPalette(darkWindowPalette());
    QPalette checkBox = darkWindowPalette();
    checkBox.setColor(QPalette::Base, QColor(0x4a, 0x4a, 0x4e));
    // Only the box's edge is drawn from the window colour: a check box paints no background.
    checkBox.setColor(QPalette::Window, QColor(0xa6, 0xa6, 0xac));
    QApplication::setPalette(checkBox, "QCheckBox");
}
