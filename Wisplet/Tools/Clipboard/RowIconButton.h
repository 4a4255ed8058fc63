#pragma once

#include <QAbstractButton>

// A row's small square action button: a symbol on a rounded square of faint white, full white while active.
class RowIconButton final : public QAbstractButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RowIconButton)

public:
    static constexpr int side = 22;

    RowIconButton(const QString& icon, bool active, QWidget* parent = nullptr);

    QString symbolName() const { return m_icon; }
    bool isActive() const { return m_active; }
    void setSymbol(const QString& icon, bool active);

    QSize sizeHint() const override { return {side, side}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_icon;
    bool m_active;
};
