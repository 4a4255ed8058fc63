#pragma once

#include <QWidget>

class AnimationClock;
class QLabel;
class Sparkline;
class StatRing;
class SystemStats;

// The system tool's page: processor, memory and disk rings beside the processor sparkline and the rows of
// network rates, battery and uptime. It only shows the sampler's figures; nothing in it can be clicked.
class SystemView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SystemView)

public:
    SystemView(SystemStats& stats, AnimationClock& clock, QWidget* parent = nullptr);
    ~SystemView() override;

private:
    class Row;

    void refresh();

    SystemStats& m_stats;
    StatRing* m_cpu;
    StatRing* m_memory;
    StatRing* m_disk;
    Sparkline* m_sparkline;
    Row* m_download;
    Row* m_upload;
    Row* m_battery;
    Row* m_uptime;
};
