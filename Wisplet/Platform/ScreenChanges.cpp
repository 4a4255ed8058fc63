#include "Wisplet/Platform/ScreenChanges.h"

#include <QGuiApplication>
#include <QScreen>

ScreenChanges::ScreenChanges(bool watchApplication, QObject* parent)
    : QObject(parent)
{
    if (!watchApplication || !qGuiApp)
        return;
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        watch(screen);
        emit changed();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &ScreenChanges::changed);
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, &ScreenChanges::changed);
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
}

void ScreenChanges::watch(QScreen* screen)
{
    connect(screen, &QScreen::geometryChanged, this, &ScreenChanges::changed);
}
