#include "Wisplet/Base/QuietControlsButton.h"

#include "Wisplet/Base/MenuBuilder.h"
#include "Wisplet/Base/QuietControls.h"

#include <QMenu>

QuietControlsButton::QuietControlsButton(QuietControls& controls, QWidget* parent)
    : QToolButton(parent)
    , m_controls(controls)
{
    QFont labelFont = font();
    labelFont.setPixelSize(12);
    labelFont.setWeight(QFont::Medium);
    setFont(labelFont);
    setAutoRaise(true);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setToolTip(QuietControls::toolTip());
    setPopupMode(QToolButton::InstantPopup);

    auto* popup = new QMenu(this);
    setMenu(popup);
    connect(popup, &QMenu::aboutToShow, this, &QuietControlsButton::rebuildMenu);
    connect(&controls, &QuietControls::changed, this, &QuietControlsButton::updateLabel);
    updateLabel();
}

void QuietControlsButton::updateLabel()
{
    setText(m_controls.labelText());
}

void QuietControlsButton::rebuildMenu()
{
    MenuBuilder::fill(*menu(), m_controls.items(), [this](const QString& action) { m_controls.trigger(action); });
}
