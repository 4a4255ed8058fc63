#pragma once

#include <QSize>
#include <QWidget>

#include <functional>

class WispFaceView;

// Wisp's face on a black rounded tile, sized around the face's layout frame. With a click action, a click
// anywhere on the tile runs it.
class FaceTile final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FaceTile)

public:
    // padding: around the face's frame, left and right, then above and below.
    FaceTile(WispFaceView* face, QSize padding, double radius, QWidget* parent = nullptr);

    void setClickAction(std::function<void()> click);
    // Sizes the tile around the face's frame again; the frame changes with the skin.
    void place();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    WispFaceView* m_face;
    QSize m_padding;
    double m_radius;
    std::function<void()> m_click;
};
