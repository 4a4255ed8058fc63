#include "Wisplet/Base/Stepper.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace {

QToolButton* stepButton(const QString& text, const QString& name, const QString& accessibleName, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setObjectName(name);
    button->setAccessibleName(accessibleName);
    button->setAutoRaise(false);
    button->setFixedWidth(button->sizeHint().height());
    return button;
}

} // namespace

Stepper::Stepper(Range range, LabelText labelText, QWidget* parent)
    : QWidget(parent)
    , m_range(range)
    , m_labelText(std::move(labelText))
    , m_value(range.minimum)
    , m_label(new QLabel(this))
    , m_minus(stepButton(QStringLiteral("−"), QStringLiteral("decrement"), tr("Decrease"), this))
    , m_plus(stepButton(QStringLiteral("+"), QStringLiteral("increment"), tr("Increase"), this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(m_label, 1);
    layout->addWidget(m_minus);
    layout->addWidget(m_plus);
    connect(m_minus, &QToolButton::clicked, this, [this] { press(-1); });
    connect(m_plus, &QToolButton::clicked, this, [this] { press(+1); });
    refresh();
}

void Stepper::setValue(double value)
{
    m_value = value;
    refresh();
}

QString Stepper::labelText() const
{
    return m_label->text();
}

double Stepper::stepped(double value, Range range, int direction)
{
    if (!std::isfinite(value))
        return range.minimum;
    if (direction > 0)
        return value >= range.maximum ? value : std::clamp(value + range.step, range.minimum, range.maximum);
    return value <= range.minimum ? value : std::clamp(value - range.step, range.minimum, range.maximum);
}

QString Stepper::wholeNumber(double value)
{
    const double whole = std::trunc(value);
    // 2^63 itself is already out of range; anything not finite fails both comparisons.
    constexpr double limit = 9223372036854775808.0;
    if (!(whole > -limit && whole < limit))
        return QStringLiteral("—");
    return QString::number(static_cast<qint64>(whole));
}

void Stepper::press(int direction)
{
    const double next = stepped(m_value, m_range, direction);
    if (next == m_value)
        return;
    m_value = next;
    refresh();
    emit valueEdited(m_value);
}

void Stepper::refresh()
{
    m_label->setText(m_labelText(m_value));
    const bool finite = std::isfinite(m_value);
    m_minus->setEnabled(!finite || m_value > m_range.minimum);
    m_plus->setEnabled(!finite || m_value < m_range.maximum);
}
