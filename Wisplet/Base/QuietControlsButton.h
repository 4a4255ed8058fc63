#pragma once

#include "Wisplet/Base/DropDownButton.h"

class QuietControls;

// The quiet-mode drop-down: its bell and label, and a menu built afresh from the controls each time it
// opens, so it always shows the current quiet period.
class QuietControlsButton final : public DropDownButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuietControlsButton)

public:
    static constexpr int fontPixels = 12;

    // The controls must outlive the button.
    explicit QuietControlsButton(QuietControls& controls, QWidget* parent = nullptr);

private:
    void updateLabel();
    void rebuildMenu();

    QuietControls& m_controls;
};
