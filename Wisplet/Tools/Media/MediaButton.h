#pragma once

#include <QAbstractButton>

// A transport button: only its symbol, centred in a 28-point square that is all hit area, brighter
// while the pointer is over it.
class MediaButton final : public QAbstractButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MediaButton)

public:
    static constexpr int side = 28;

    MediaButton(const QString& icon, int symbolSize, QWidget* parent = nullptr);

    QString symbolName() const { return m_icon; }
    void setSymbolName(const QString& icon);

    QSize sizeHint() const override { return {side, side}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_icon;
    int m_symbolSize;
};
