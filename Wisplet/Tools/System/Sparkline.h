#pragma once

#include <QList>
#include <QPainterPath>
#include <QWidget>

// A line through a list of shares (0 at the bottom, 1 at the top) from left to right, on a faint rounded
// backdrop that it never leaves. Values are not clamped: one above 1 runs off the top.
class Sparkline final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Sparkline)

public:
    static constexpr int lineHeight = 22;

    explicit Sparkline(QWidget* parent = nullptr);

    QList<double> values() const { return m_values; }
    void setValues(const QList<double>& values);

    // The line for the given size: no values draw nothing, one value only a point.
    static QPainterPath linePath(const QList<double>& values, const QSizeF& size);

    QSize sizeHint() const override { return {120, lineHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<double> m_values;
};
