#pragma once

#include <QWidget>

class QButtonGroup;

// A row of segments of which one is chosen (the focus modes, the calendar's pages), each segment's id its
// place in the row. Tab reaches the chosen segment, the arrows move along the row and Space chooses, and the
// segment with the keyboard wears the focus ring; a click needs no focus.
class SegmentedPicker final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SegmentedPicker)

public:
    SegmentedPicker(const QString& name, const QStringList& segments, QWidget* parent = nullptr);

    QButtonGroup* segments() const { return m_segments; }

private:
    QButtonGroup* m_segments;
};
