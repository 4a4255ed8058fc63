#pragma once

#include <QEnterEvent>
#include <QHideEvent>

// Knows whether the pointer rests on the widget: set on enter, cleared on leave and when the widget is
// hidden (a widget hidden under the pointer never gets its leave, and must not come back lit). Each change
// calls hoverChanged(), which repaints unless the widget wants more.
template <typename Widget>
class HoverTracking : public Widget
{
public:
    using Widget::Widget;

    bool isHovering() const { return m_hovering; }

protected:
    void enterEvent(QEnterEvent* event) override
    {
        Widget::enterEvent(event);
        setHovering(true);
    }

    void leaveEvent(QEvent* event) override
    {
        Widget::leaveEvent(event);
        setHovering(false);
    }

    void hideEvent(QHideEvent* event) override
    {
        Widget::hideEvent(event);
        setHovering(false);
    }

    void setHovering(bool hovering)
    {
        if (hovering == m_hovering)
            return;
        m_hovering = hovering;
        hoverChanged();
    }

    virtual void hoverChanged() { this->update(); }

private:
    bool m_hovering = false;
};
