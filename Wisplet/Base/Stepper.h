#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QToolButton;

// A number moved by whole steps with − and + beside its label. Unlike a spin box it never rounds or clamps
// a stored value just by showing it: the value changes only when the user presses a button.
class Stepper final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Stepper)

public:
    struct Range
    {
        double minimum = 0;
        double maximum = 0;
        double step = 1;
    };
    using LabelText = std::function<QString(double value)>;

    Stepper(Range range, LabelText labelText, QWidget* parent = nullptr);

    // Shows a value without emitting anything.
    void setValue(double value);
    double value() const { return m_value; }
    QString labelText() const;

    // The value one step up (+1) or down (-1), kept within the range; a value already at or beyond the
    // bound it moves towards stays as it is.
    static double stepped(double value, Range range, int direction);
    // The value with its fraction dropped; "—" for one that no whole number can show.
    static QString wholeNumber(double value);

signals:
    // The user pressed − or +.
    void valueEdited(double value);

private:
    void press(int direction);
    void refresh();

    Range m_range;
    LabelText m_labelText;
    double m_value;
    QLabel* m_label;
    QToolButton* m_minus;
    QToolButton* m_plus;
};
