#include "Wisplet/Base/WindowPlacement.h"

#include <QCoreApplication>
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
    QEvent comingForward(comingForwardEvent());
    QCoreApplication::sendEvent(&window, &comingForward);
    // A minimised window is shown again as it was; showing alone leaves it minimised.
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}

QEvent::Type comingForwardEvent()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}
