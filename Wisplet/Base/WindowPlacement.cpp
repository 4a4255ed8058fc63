#include "Wisplet/Base/WindowPlacement.h"

#include <QScreen>
#include <QWidget>

void centreOnScreen(QWidget& window, const QScreen& screen)
{
    QRect content = window.geometry();
    content.moveCenter(screen.availableGeometry().center());
    window.setGeometry(content);
}

void bringToFront(QWidget& window)
{
    window.show();
    window.raise();
    window.activateWindow();
}
