#include "Wisplet/Base/QuietControlsButton.h"

#include "Wisplet/Base/MenuBuilder.h"
#include "Wisplet/Base/QuietControls.h"

#include <QMenu>

QuietControlsButton::QuietControlsButton(QuietControls& controls, QWidget* parent)
    : DropDownButton(fontPixels, parent)
    , m_controls(controls)
{
    setToolTip(QuietControls::toolTip());
    connect(menu(), &QMenu::aboutToShow, this, &QuietControlsButton::rebuildMenu);
    connect(&controls, &QuietControls::changed, this, &QuietControlsButton::updateLabel);
    updateLabel();
}

void QuietControlsButton::updateLabel()
{
    setText(m_controls.labelText());
    setSymbolName(m_controls.labelSymbol());
    updateGeometry();
}

void QuietControlsButton::rebuildMenu()
{
    MenuBuilder::fill(*menu(), m_controls.items(), [this](const QString& action) { m_controls.trigger(action); });
}
