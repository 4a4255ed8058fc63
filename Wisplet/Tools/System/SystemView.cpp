#include "Wisplet/Tools/System/SystemView.h"

#include "Wisplet/Base/EvenDigitsLabel.h"
#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Tools/System/Sparkline.h"
#include "Wisplet/Tools/System/StatRing.h"
#include "Wisplet/Tools/System/SystemStats.h"
#include "Wisplet/Tools/System/SystemTexts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int groupSpacing = 18;
constexpr int ringSpacing = 14;
constexpr int rowSpacing = 8;
constexpr int symbolPixels = 12;
constexpr int symbolFrameWidth = 14;
constexpr double symbolOpacity = 0.55;
constexpr int textPixels = 13;
constexpr double textOpacity = 0.85;

QColor white(double opacity)
{
    QColor color(Qt::white);
    color.setAlphaF(float(opacity));
    return color;
}

} // namespace

// A symbol and a line of text; each is replaced only when it changes.
class SystemView::Row final : public QWidget
{
public:
    explicit Row(QWidget* parent)
        : QWidget(parent)
        , m_symbol(new QLabel(this))
        , m_text(new EvenDigitsLabel(this))
    {
        m_symbol->setFixedWidth(symbolFrameWidth);
        m_symbol->setAlignment(Qt::AlignCenter);
        QFont font = m_text->font();
        font.setPixelSize(textPixels);
        font.setWeight(QFont::Medium);
        m_text->setFont(font);
        QPalette palette = m_text->palette();
        palette.setColor(QPalette::WindowText, white(textOpacity));
        m_text->setPalette(palette);
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(6);
        layout->addWidget(m_symbol, 0, Qt::AlignVCenter);
        layout->addWidget(m_text, 1, Qt::AlignVCenter);
    }
    Q_DISABLE_COPY_MOVE(Row)

    void display(const QString& symbol, const QString& text)
    {
        if (symbol != m_symbolName) {
            m_symbolName = symbol;
            m_symbol->setPixmap(
                symbolPixmap(symbol, QSize(symbolPixels, symbolPixels), white(symbolOpacity), devicePixelRatioF()));
        }
        if (text != m_text->text())
            m_text->setText(text);
    }

private:
    QLabel* m_symbol;
    QLabel* m_text;
    QString m_symbolName;
};

SystemView::SystemView(SystemStats& stats, AnimationClock& clock, QWidget* parent)
    : QWidget(parent)
    , m_stats(stats)
    , m_cpu(new StatRing(QStringLiteral("CPU"), clock, this))
    , m_memory(new StatRing(QStringLiteral("Memory"), clock, this))
    , m_disk(new StatRing(QStringLiteral("Disk"), clock, this))
    , m_sparkline(new Sparkline(this))
    , m_download(new Row(this))
    , m_upload(new Row(this))
    , m_battery(new Row(this))
    , m_uptime(new Row(this))
{
    auto* rings = new QHBoxLayout;
    rings->setSpacing(ringSpacing);
    for (StatRing* ring : {m_cpu, m_memory, m_disk})
        rings->addWidget(ring, 0, Qt::AlignVCenter);

    auto* details = new QVBoxLayout;
    details->setSpacing(rowSpacing);
    details->addWidget(m_sparkline);
    for (Row* row : {m_download, m_upload, m_battery, m_uptime})
        details->addWidget(row);
    details->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(groupSpacing);
    layout->addLayout(rings);
    layout->setAlignment(rings, Qt::AlignTop);
    layout->addLayout(details, 1);

    connect(&m_stats, &SystemStats::changed, this, &SystemView::refresh);
    refresh();
}

SystemView::~SystemView() = default;

void SystemView::refresh()
{
    const double cpu = m_stats.cpu();
    m_cpu->setValue(cpu, StatRing::centreText(cpu) + u'%');
    m_memory->setValue(m_stats.memoryFraction(), formatBytes(double(m_stats.memoryUsed()), false));
    m_disk->setValue(m_stats.diskFraction(), formatBytes(double(m_stats.diskFree()), false) + QStringLiteral(" free"));
    m_sparkline->setValues(m_stats.cpuHistory());
    m_download->display(QStringLiteral("arrow.down"), formatBytes(m_stats.downloadRate(), true));
    m_upload->display(QStringLiteral("arrow.up"), formatBytes(m_stats.uploadRate(), true));
    if (const std::optional<BatteryInfo> battery = m_stats.battery())
        m_battery->display(batterySymbol(*battery), batteryText(*battery));
    m_battery->setVisible(m_stats.battery().has_value());
    m_uptime->display(QStringLiteral("clock"), QStringLiteral("Up ") + formatUptime(m_stats.uptime()));
}
