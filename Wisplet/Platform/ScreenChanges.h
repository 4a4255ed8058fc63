#pragma once

#include <QObject>

class QScreen;

// One signal for every change of the screen set: a screen added or removed, another primary screen, a
// screen moved or resized.
class ScreenChanges final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScreenChanges)

public:
    // Watches the application's screens; tests make one without watching and emit by hand.
    explicit ScreenChanges(bool watchApplication = true, QObject* parent = nullptr);

signals:
    void changed();

private:
    void watch(QScreen* screen);
};
