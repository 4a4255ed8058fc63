#pragma once

#include <QLabel>

// A one-line label whose digits keep an even width (EvenDigits), for figures that change while shown.
// Text, font, colour, alignment and margins are the QLabel's; a text wider than the label ends in "…".
class EvenDigitsLabel final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EvenDigitsLabel)

public:
    using QLabel::QLabel;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
};
