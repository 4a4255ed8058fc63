#pragma once

#include "Wisplet/Base/HoverTracking.h"

#include "Wisplet/Base/ToolID.h"

#include <QAbstractButton>

class AnimatedValue;
class AnimationClock;

// One tab of the tool panel: the tool's symbol and title on a white capsule, brighter when selected or
// under the pointer. A change of selection fades the capsule and the text over the panel's curve; hovering
// changes them at once.
class ToolTab final : public HoverTracking<QAbstractButton>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ToolTab)

public:
    static constexpr int tabHeight = 34;
    static constexpr int sidePadding = 10;
    static constexpr int symbolSpacing = 5;
    static constexpr int symbolSize = 13;
    static constexpr int fontPixels = 13;
    // The curve every change of selection in the panel follows.
    static constexpr double fadeSeconds = 0.15;

    // Background and foreground opacities of each state.
    struct Look
    {
        double background;
        double foreground;

        bool operator==(const Look& other) const = default;
    };
    static Look lookOf(bool selected, bool hovering);

    ToolTab(ToolID tool, bool selected, AnimationClock& clock, QWidget* parent = nullptr);

    ToolID tool() const { return m_tool; }
    bool isSelected() const { return m_selected; }
    // The opacities drawn at this moment, mid-fade included.
    Look currentLook() const;

    // Fades to the new state over the panel's curve when animate is true; otherwise jumps there, also
    // ending a fade that is still running.
    void setSelected(bool selected, bool animate);

    QSize sizeHint() const override;

protected:
    void hoverChanged() override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    ToolTab* selectedSibling() const;

    ToolID m_tool;
    bool m_selected;
    AnimatedValue* m_look;
};
