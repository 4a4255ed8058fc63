#pragma once

// What the application does with the floating panel, apart from the panel itself.
class PanelControl
{
public:
    virtual ~PanelControl() = default;

    virtual void reposition() = 0;
    virtual void releaseFocus() = 0;
    // Shown, without taking the focus.
    virtual void orderFront() = 0;
    virtual void orderOut() = 0;
    // A tool was opened: forward, with the focus.
    virtual void openForTool() = 0;
};
