#pragma once

#include <QWidget>

class FocusEngine;
class PillButton;
class QLabel;
class QToolButton;

// The card that asks for a break: start (or resume) one, be asked again in five minutes, or close it.
// While anything runs, only the close button is offered. It keeps no state; every button acts on the engine.
class BreakPromptView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BreakPromptView)

public:
    static constexpr int padding = 12;
    static constexpr int spacing = 12;
    static constexpr double cornerRadius = 12;
    static constexpr int iconPixels = 22;

    explicit BreakPromptView(FocusEngine& engine, QWidget* parent = nullptr);

    QString titleText() const;
    PillButton* startButton() const { return m_start; }
    PillButton* snoozeButton() const { return m_snooze; }
    QToolButton* closeButton() const { return m_close; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    FocusEngine& m_engine;
    QLabel* m_title;
    PillButton* m_start;
    PillButton* m_snooze;
    QToolButton* m_close;
};
