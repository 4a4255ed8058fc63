#include "Wisplet/Platform/QtScreenProvider.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

namespace {

ScreenInfo infoOf(QScreen& screen)
{
    ScreenInfo info;
    info.frame = QRectF(screen.geometry());
    info.screen = &screen;
    return info;
}

} // namespace

QList<ScreenInfo> QtScreenProvider::screens() const
{
    QScreen* primary = QGuiApplication::primaryScreen();
    QList<ScreenInfo> result;
    if (primary)
        result.append(infoOf(*primary));
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen && screen != primary)
            result.append(infoOf(*screen));
    }
    return result;
}

std::optional<ScreenInfo> QtScreenProvider::mainScreen() const
{
    if (QScreen* primary = QGuiApplication::primaryScreen())
        return infoOf(*primary);
    return std::nullopt;
}

QPointF QtScreenProvider::pointer() const
{
    return QCursor::pos();
}
