#pragma once

#include "Wisplet/Base/HoverTracking.h"

#include <QAbstractButton>

// The panel's labelled action button: a symbol and a title on a capsule of white, drawn over the dark
// island. The prominent one, the primary action of its row, is a light capsule with dark text.
class PillButton final : public HoverTracking<QAbstractButton>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PillButton)

public:
    static constexpr int fixedHeight = 32;
    static constexpr int padding = 10;
    static constexpr int fontPixels = 13;

    PillButton(const QString& title, const QString& icon, bool prominent = false, QWidget* parent = nullptr);

    QString symbolName() const { return m_icon; }
    bool isProminent() const { return m_prominent; }
    void setSymbolName(const QString& icon);
    void setProminent(bool prominent);

    // White at this opacity behind the label.
    static double backgroundOpacity(bool prominent, bool hovering);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_icon;
    bool m_prominent;
};

// A compact chip (a preset duration, a filter): its text on a smaller capsule that brightens only while
// it is held down.
class ChipButton final : public QAbstractButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChipButton)

public:
    static constexpr int fixedHeight = 28;
    static constexpr int padding = 8;
    static constexpr int fontPixels = 13;

    explicit ChipButton(const QString& title, QWidget* parent = nullptr);

    static double backgroundOpacity(bool pressed) { return pressed ? 0.25 : 0.12; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
};
