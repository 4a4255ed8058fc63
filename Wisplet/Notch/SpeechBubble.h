#pragma once

#include <QWidget>

// The companion's speech bubble: one line of black text on a white rounded bubble, with a tail standing out
// to the left towards the face. The widget reaches tailOverhang beyond the bubble's left edge for the tail.
class SpeechBubble final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SpeechBubble)

public:
    static constexpr int horizontalPadding = 10;
    static constexpr int verticalPadding = 6;
    static constexpr double cornerRadius = 12;
    static constexpr double tailWidth = 7;
    static constexpr double tailHeight = 10;
    // The tail is 7 wide and stands out 6: its last point overlaps the bubble.
    static constexpr int tailOverhang = 6;

    explicit SpeechBubble(QWidget* parent = nullptr);

    // Shown verbatim.
    QString text() const { return m_text; }
    void setText(const QString& text);
    // How far it has come in, 0 to 1 (a spring may overshoot): it grows from 0.6 of its size at its left
    // edge and fades in. 1 draws it as it is.
    void setAppearance(double progress);
    double appearance() const { return m_appearance; }

    // The bubble without its tail, in this widget.
    QRectF bubbleRect() const;
    // The text shown, cut to one line when the widget is narrower than it asks for.
    QString shownText() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    double m_appearance = 1;
};
