#pragma once

#include "Wisplet/Base/HoverTracking.h"

#include <QAbstractButton>

// A small square symbol button of the opened panel's header: the pin toggle and the settings button,
// told apart by their symbol.
class HeaderButton final : public HoverTracking<QAbstractButton>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HeaderButton)

public:
    static constexpr int side = 26;
    static constexpr double cornerRadius = 8;
    // A 12-point symbol.
    static constexpr int symbolPixels = 16;

    HeaderButton(const QString& icon, bool active, QWidget* parent = nullptr);

    QString symbolName() const { return m_icon; }
    bool isActive() const { return m_active; }
    void setSymbolName(const QString& icon);
    void setActive(bool active);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void updateTexts();

    QString m_icon;
    bool m_active = false;
};
