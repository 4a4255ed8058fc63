#pragma once

#include <QToolButton>

// A drop-down of the dark island: a symbol, a title and a small chevron that open a menu on a click.
// It draws itself in every state (hovered, pressed, menu open), so no grey box of the desktop's theme
// ever shows, and it measures the hover again when its menu closes.
class DropDownButton : public QToolButton
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
    bool isHovering() const { return m_hovering; }

    // White at this opacity behind the label: the menu open (or the button held) outranks the hover.
    static double backgroundOpacity(bool open, bool hovering);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void setHovering(bool hovering);

    QString m_symbol;
    bool m_hovering = false;
};
