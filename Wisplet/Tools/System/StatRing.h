#pragma once

#include <QWidget>

class AnimatedValue;
class AnimationClock;

// A ring gauge over a share from 0 to 1, its whole percent in the middle, a label and a detail line
// below. The arc moves to a new share along a short ease-out.
class StatRing final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatRing)

public:
    static constexpr int ringWidth = 66;
    static constexpr int gaugeSize = 52;
    static constexpr double lineWidth = 5;
    static constexpr int spacing = 5;
    static constexpr double easeSeconds = 0.6;

    StatRing(const QString& label, AnimationClock& clock, QWidget* parent = nullptr);

    double value() const { return m_value; }
    QString label() const { return m_label; }
    QString detail() const { return m_detail; }
    // The share the arc draws now: the animated value, never less than a sliver nor more than a full ring.
    double shownShare() const;
    // What the centre reads: the whole percent of the value itself, not clamped.
    static QString centreText(double value);

    // Jumps while the ring is not on screen, so a page that opens shows the current figure at once.
    void setValue(double value, const QString& detail);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_label;
    QString m_detail;
    double m_value = 0;
    AnimatedValue* m_share;
};
