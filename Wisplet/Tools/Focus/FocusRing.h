#pragma once

#include <QWidget>

class AnimatedValue;
class AnimationClock;

// The focus page's ring: a faint track, the part of the phase that has passed as an arc from twelve
// o'clock running clockwise, and the clock text in the middle.
class FocusRing final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FocusRing)

public:
    static constexpr int side = 120;
    static constexpr double lineWidth = 6;
    static constexpr double progressSeconds = 0.25;
    static constexpr int timePixels = 26;

    FocusRing(AnimationClock& clock, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    // The arc's target; it moves there linearly unless told to jump.
    double progress() const;
    void setProgress(double progress, bool animate);

    QSize sizeHint() const override { return {side, side}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    AnimatedValue* m_progress;
};
