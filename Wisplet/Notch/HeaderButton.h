#pragma once

#include <QAbstractButton>

// A small square symbol button of the opened panel's header: the pin toggle and the settings button,
// told apart by their symbol.
class HeaderButton final : public QAbstractButton
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
    bool isHovering() const { return m_hovering; }
    void setSymbolName(const QString& icon);
    void setActive(bool active);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void setHovering(bool hovering);
    void updateTexts();

    QString m_icon;
    bool m_active = false;
    bool m_hovering = false;
};
