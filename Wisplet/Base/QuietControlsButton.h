#pragma once

#include <QToolButton>

class QuietControls;

// The quiet-mode drop-down as a borderless button that opens its menu on a click. The menu is built
// afresh from the controls each time it opens, so it always shows the current quiet period.
class QuietControlsButton final : public QToolButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuietControlsButton)

public:
    // The controls must outlive the button.
    explicit QuietControlsButton(QuietControls& controls, QWidget* parent = nullptr);

private:
    void updateLabel();
    void rebuildMenu();

    QuietControls& m_controls;
};
