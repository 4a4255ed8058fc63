#pragma once

#include "Wisplet/Tools/Focus/FocusMode.h"

#include <QList>
#include <QWidget>

#include <optional>

class AnimationClock;
class ChipButton;
class FocusEngine;
class FocusRing;
class PillButton;
class QAbstractButton;
class QButtonGroup;
class QLabel;
class QLineEdit;
class QScrollArea;
class QVBoxLayout;

// The focus tool's page: the mode picker, the ring with the clock, the controls of the current state, and
// by mode the cycle's dots, the timer's presets and typed length, or the stopwatch's laps. Its own state is
// the text being typed and the last message about it; everything else is the engine's.
class FocusView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FocusView)

public:
    static constexpr int presetMinutes[] = {5, 10, 15, 25, 45, 60};
    static constexpr int lapsMaxHeight = 50;
    // The timer row's scale when it does not fit the column at its own size.
    static constexpr double compactTimerRowScale = 0.82;

    FocusView(FocusEngine& engine, AnimationClock& clock, QWidget* parent = nullptr);

    // The parts, for tests.
    FocusRing* ring() const { return m_ring; }
    QString titleText() const;
    std::optional<QString> errorText() const;
    QButtonGroup* modePicker() const { return m_modes; }
    PillButton* primaryButton() const { return m_primary; }
    PillButton* resetButton() const { return m_reset; }
    PillButton* skipButton() const { return m_skip; }
    PillButton* lapButton() const { return m_lap; }
    QWidget* cycleRow() const { return m_cycleRow; }
    QString cycleText() const;
    // The cycle's dots: how many, and how many of them are bright.
    QPair<qint64, qint64> cycleDots() const;
    QWidget* timerRow() const { return m_timerRow; }
    double timerRowScale() const { return m_timerRowScale; }
    QList<ChipButton*> presetChips() const { return m_presets; }
    QLineEdit* durationField() const { return m_field; }
    QScrollArea* lapsList() const { return m_laps; }
    // The laps as listed, top to bottom: "Lap 2 00:03.10".
    QStringList lapTexts() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Dots;

    QWidget* buildModePicker();
    QWidget* buildCycleRow();
    QWidget* buildTimerRow();
    void scaleTimerRow(double scale);
    QScrollArea* buildLaps();

    void refresh();
    void refreshLaps();
    void choosePreset(int minutes);
    void submitDuration();
    void setErrorText(const std::optional<QString>& text);

    FocusEngine& m_engine;
    QButtonGroup* m_modes = nullptr;
    QWidget* m_modeRow = nullptr;
    QLabel* m_error = nullptr;
    FocusRing* m_ring = nullptr;
    QLabel* m_title = nullptr;
    PillButton* m_primary = nullptr;
    PillButton* m_reset = nullptr;
    PillButton* m_skip = nullptr;
    PillButton* m_lap = nullptr;
    QWidget* m_cycleRow = nullptr;
    Dots* m_dots = nullptr;
    QLabel* m_cycleText = nullptr;
    QWidget* m_timerRow = nullptr;
    QList<ChipButton*> m_presets;
    QLineEdit* m_field = nullptr;
    int m_timerRowIdealWidth = 0;
    double m_timerRowScale = 1.0;
    QScrollArea* m_laps = nullptr;
    QVBoxLayout* m_lapRows = nullptr;
    QList<double> m_shownLaps;
    bool m_lapsShown = false;
};
