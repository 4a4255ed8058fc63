#pragma once

#include "Wisplet/Base/HoverTracking.h"

#include "Wisplet/Tools/Links/QuickLink.h"

#include <QAbstractButton>

class QToolButton;

// One link of the grid: its symbol and title on a rounded chip; a click opens it, and a remove button
// shows while the pointer rests on the chip.
class LinkChip final : public HoverTracking<QAbstractButton>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LinkChip)

public:
    static constexpr int fixedHeight = 30;

    explicit LinkChip(const QuickLink& link, QWidget* parent = nullptr);

    QuickLink link() const { return m_link; }
    QString symbolName() const;
    QToolButton* removeButton() const { return m_remove; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void removeRequested(const QUuid& id);

protected:
    void hoverChanged() override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QuickLink m_link;
    QToolButton* m_remove;
};
