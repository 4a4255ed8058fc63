#pragma once

#include "Wisplet/Base/HoverTracking.h"

#include <QToolButton>

// A drop-down of the dark island: a symbol, a title and a small chevron that open a menu on a click.
// It draws itself in every state (hovered, pressed, menu open), so no grey box of the desktop's theme
// ever shows, and it measures the hover again when its menu closes.
class DropDownButton : public HoverTracking<QToolButton>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DropDownButton)

public:
    static constexpr int fixedHeight = 26;
    static constexpr int padding = 8;
    static constexpr int gap = 5;
    static constexpr int symbolPixels = 13;
    static constexpr double cornerRadius = 8;
    static constexpr QSizeF chevronSize{7, 4};

    // The button opens menu, which it takes over.
    DropDownButton(int fontPixels, QWidget* parent = nullptr);

    QString symbolName() const { return m_symbol; }
    void setSymbolName(const QString& symbol);

    // White at this opacity behind the label: the menu open (or the button held) outranks the hover.
    static double backgroundOpacity(bool open, bool hovering);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
};
