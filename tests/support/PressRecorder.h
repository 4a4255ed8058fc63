#pragma once

#include <QMouseEvent>
#include <QWidget>

// A plain white window that records where it was pressed (global positions): the window below a
// click-through test.
class PressRecorder final : public QWidget
{
    Q_DISABLE_COPY_MOVE(PressRecorder)

public:
    explicit PressRecorder(QWidget* parent = nullptr)
        : QWidget(parent, Qt::FramelessWindowHint)
    {
        setAutoFillBackground(true);
        setPalette(QPalette(Qt::white));
    }

    QList<QPoint> presses;

protected:
    void mousePressEvent(QMouseEvent* event) override { presses << event->globalPosition().toPoint(); }
};
