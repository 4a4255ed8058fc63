#include "Wisplet/Tools/Focus/FocusView.h"

#include "Wisplet/Base/Colours.h"
#include "Wisplet/Base/EvenDigitsLabel.h"
#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Notch/NotchLayout.h"
#include "Wisplet/Notch/SegmentedPicker.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Tools/Focus/FocusEngine.h"
#include "Wisplet/Tools/Focus/FocusFormat.h"
#include "Wisplet/Tools/Focus/FocusRing.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

using NotchLayout::whiteAt;

namespace {

constexpr int timerRowSpacing = 6;
constexpr int fieldWidth = 56;
constexpr int fieldHeight = 28;
constexpr int fieldPadding = 8;
constexpr int fieldFontPixels = 13;

const QString separator = QStringLiteral(" \u00B7 ");
const QString durationErrorText = QStringLiteral("Use 1s\u201324h, for example 25m, 1h30 or 10:00.");

QString phaseName(FocusPhase phase)
{
    switch (phase) {
    case FocusPhase::idle:
        return QStringLiteral("Ready");
    case FocusPhase::work:
        return QStringLiteral("Focus");
    case FocusPhase::shortBreak:
        return QStringLiteral("Short break");
    case FocusPhase::longBreak:
        return QStringLiteral("Long break");
    case FocusPhase::countdown:
        return QStringLiteral("Timer");
    case FocusPhase::stopwatch:
        return QStringLiteral("Stopwatch");
    }
    return {};
}

QString modeName(FocusMode mode)
{
    switch (mode) {
    case FocusMode::pomodoro:
        return QStringLiteral("Pomodoro");
    case FocusMode::timer:
        return QStringLiteral("Timer");
    case FocusMode::stopwatch:
        return QStringLiteral("Stopwatch");
    }
    return {};
}

// Whole numbers without a decimal point, others in their shortest form: 25, 1.5.
QString minutesText(double minutes)
{
    return QString::number(minutes, 'g', QLocale::FloatingPointShortest);
}

QString ringText(const FocusEngine& engine)
{
    switch (engine.phase()) {
    case FocusPhase::stopwatch:
        return formatClock(engine.elapsed());
    case FocusPhase::idle:
        if (engine.mode() == FocusMode::pomodoro)
            return formatClock(engine.workMinutes() * 60);
        if (engine.mode() == FocusMode::timer)
            return formatClock(engine.countdownMinutes() * 60);
        return formatClock(0);
    default:
        return formatClock(engine.remaining());
    }
}

QString titleFor(const FocusEngine& engine)
{
    if (engine.phase() == FocusPhase::idle) {
        if (engine.mode() != FocusMode::pomodoro)
            return phaseName(FocusPhase::idle);
        return phaseName(FocusPhase::idle) + separator + QString::number(engine.sessionsToday())
            + QStringLiteral(" today");
    }
    return engine.isRunning() ? phaseName(engine.phase())
                              : phaseName(engine.phase()) + separator + QStringLiteral("paused");
}

void setPixelFont(QWidget* widget, int pixels, QFont::Weight weight = QFont::Normal)
{
    QFont font = widget->font();
    font.setPixelSize(pixels);
    font.setWeight(weight);
    widget->setFont(font);
}

QHBoxLayout* row(int spacing)
{
    auto* layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

} // namespace

// The cycle's dots: the sessions done in the current cycle bright, the rest dim. As many as fit.
class FocusView::Dots final : public QWidget
{
public:
    static constexpr int diameter = 7;
    static constexpr int gap = 5;
    static constexpr qint64 mostHinted = 12;

    using QWidget::QWidget;

    void setState(qint64 count, qint64 bright)
    {
        if (count == m_count && bright == m_bright)
            return;
        m_count = count;
        m_bright = bright;
        updateGeometry();
        update();
    }
    qint64 count() const { return m_count; }
    qint64 bright() const { return m_bright; }

    QSize sizeHint() const override
    {
        const qint64 shown = std::min(m_count, mostHinted);
        return {int(shown * diameter + std::max<qint64>(shown - 1, 0) * gap), diameter};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        const double top = (height() - diameter) / 2.0;
        for (qint64 i = 0; i < m_count && i * (diameter + gap) + diameter <= width(); ++i) {
            painter.setBrush(whiteAt(i < m_bright ? 0.9 : 0.2));
            painter.drawEllipse(QRectF(double(i * (diameter + gap)), top, diameter, diameter));
        }
    }

private:
    qint64 m_count = 1;
    qint64 m_bright = 0;
};

FocusView::FocusView(FocusEngine& engine, AnimationClock& clock, QWidget* parent)
    : QWidget(parent)
    , m_engine(engine)
{
    m_error = toolLabel({}, 11, NotchLayout::whiteAt(1.0), this, QFont::Normal);
    QPalette errorPalette = m_error->palette();
    errorPalette.setColor(QPalette::WindowText, warningOrange);
    m_error->setPalette(errorPalette);
    m_error->hide();
    // Made first: the keyboard meets the controls in the order they are made, and the picker is on top.
    QWidget* modePicker = buildModePicker();

    m_ring = new FocusRing(clock, this);
    m_title = toolLabel({}, 12, NotchLayout::whiteAt(0.7), this, QFont::DemiBold);
    m_primary = new PillButton(QStringLiteral("Start"), QStringLiteral("play.fill"), true, this);
    m_reset = new PillButton(QStringLiteral("Reset"), QStringLiteral("arrow.counterclockwise"), false, this);
    m_skip = new PillButton(QStringLiteral("Skip"), QStringLiteral("forward.fill"), false, this);
    m_lap = new PillButton(QStringLiteral("Lap"), QStringLiteral("flag.fill"), false, this);

    auto* controls = row(8);
    for (PillButton* pill : {m_primary, m_reset, m_skip, m_lap})
        controls->addWidget(pill);
    controls->addStretch();

    auto* column = new QVBoxLayout;
    column->setSpacing(8);
    column->addWidget(m_title);
    column->addLayout(controls);
    column->addWidget(buildCycleRow());
    column->addWidget(buildTimerRow());
    column->addWidget(buildLaps());
    column->addStretch();

    auto* ringRow = row(18);
    ringRow->addWidget(m_ring, 0, Qt::AlignVCenter);
    ringRow->addLayout(column, 1);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(10);
    page->addWidget(modePicker, 0, Qt::AlignLeft);
    page->addWidget(m_error);
    page->addLayout(ringRow);
    page->addStretch();

    connect(m_primary, &QAbstractButton::clicked, this, [this] {
        if (m_engine.isRunning())
            m_engine.pause();
        else
            m_engine.start();
    });
    connect(m_reset, &QAbstractButton::clicked, &engine, &FocusEngine::reset);
    connect(m_skip, &QAbstractButton::clicked, &engine, &FocusEngine::skip);
    connect(m_lap, &QAbstractButton::clicked, &engine, &FocusEngine::lap);
    connect(&engine, &FocusEngine::changed, this, &FocusView::refresh);
    refresh();
}

QWidget* FocusView::buildModePicker()
{
    QStringList names;
    for (FocusMode mode : {FocusMode::pomodoro, FocusMode::timer, FocusMode::stopwatch})
        names.append(modeName(mode));
    auto* picker = new SegmentedPicker(QStringLiteral("Mode"), names, this);
    m_modeRow = picker;
    m_modes = picker->segments();
    connect(m_modes, &QButtonGroup::idClicked, this, [this](int id) { m_engine.setMode(FocusMode(id)); });
    return m_modeRow;
}

QWidget* FocusView::buildCycleRow()
{
    m_cycleRow = new QWidget(this);
    m_dots = new Dots(m_cycleRow);
    m_cycleText = toolLabel({}, 12, NotchLayout::whiteAt(0.65), m_cycleRow, QFont::Normal);
    m_cycleText->setContentsMargins(4, 0, 0, 0);
    auto* layout = row(5);
    m_cycleRow->setLayout(layout);
    layout->addWidget(m_dots, 0, Qt::AlignVCenter);
    layout->addWidget(m_cycleText, 1, Qt::AlignVCenter);
    return m_cycleRow;
}

QWidget* FocusView::buildTimerRow()
{
    m_timerRow = new QWidget(this);
    // The row's chips keep their size when the column is narrower; it is scaled down instead.
    m_timerRow->setMinimumWidth(1);
    m_timerRow->installEventFilter(this);
    auto* layout = row(timerRowSpacing);
    m_timerRow->setLayout(layout);
    for (int minutes : presetMinutes) {
        auto* chip = new ChipButton(QString::number(minutes), m_timerRow);
        connect(chip, &QAbstractButton::clicked, this, [this, minutes] { choosePreset(minutes); });
        m_presets.append(chip);
        layout->addWidget(chip);
    }
    m_field = new QLineEdit(m_timerRow);
    m_field->setPlaceholderText(QStringLiteral("1h30"));
    m_field->setAccessibleName(QStringLiteral("Custom duration"));
    QPalette palette = m_field->palette();
    palette.setColor(QPalette::PlaceholderText, whiteAt(0.4));
    m_field->setPalette(palette);
    connect(m_field, &QLineEdit::returnPressed, this, &FocusView::submitDuration);
    layout->addWidget(m_field);
    layout->addStretch();
    scaleTimerRow(1.0);
    m_timerRowIdealWidth = layout->sizeHint().width();
    return m_timerRow;
}

// The whole row at a scale about its leading edge: fonts, sizes, padding and spacing alike.
void FocusView::scaleTimerRow(double scale)
{
    m_timerRowScale = scale;
    const auto scaled = [scale](double length) { return int(std::lround(length * scale)); };
    for (ChipButton* chip : m_presets) {
        setPixelFont(chip, scaled(ChipButton::fontPixels), QFont::Medium);
        chip->setFixedSize(scaled(2 * ChipButton::padding) + chip->fontMetrics().horizontalAdvance(chip->text()),
                           scaled(ChipButton::fixedHeight));
    }
    m_field->setFixedSize(scaled(fieldWidth), scaled(fieldHeight));
    setPixelFont(m_field, scaled(fieldFontPixels));
    m_field->setStyleSheet(QStringLiteral("QLineEdit { background: rgba(255,255,255,0.1); border: none;"
                                          " border-radius: %1px; padding: 0 %2px; color: white; }")
                               .arg(scaled(fieldHeight / 2.0))
                               .arg(scaled(fieldPadding)));
    m_timerRow->layout()->setSpacing(scaled(timerRowSpacing));
}

bool FocusView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_timerRow && event->type() == QEvent::Resize) {
        const double scale = m_timerRow->width() >= m_timerRowIdealWidth ? 1.0 : compactTimerRowScale;
        if (scale != m_timerRowScale)
            scaleTimerRow(scale);
    }
    return QWidget::eventFilter(watched, event);
}

QScrollArea* FocusView::buildLaps()
{
    m_laps = new QScrollArea(this);
    m_laps->setFrameShape(QFrame::NoFrame);
    m_laps->setMaximumHeight(lapsMaxHeight);
    m_laps->setWidgetResizable(true);
    m_laps->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_laps->viewport()->setAutoFillBackground(false);
    m_laps->verticalScrollBar()->setStyleSheet(QStringLiteral(
        "QScrollBar:vertical { width: 6px; background: transparent; margin: 0; }"
        "QScrollBar::handle:vertical { background: rgba(255,255,255,0.3); border-radius: 3px; min-height: 12px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }"));
    auto* content = new QWidget(m_laps);
    content->setAutoFillBackground(false);
    m_lapRows = new QVBoxLayout(content);
    m_lapRows->setContentsMargins(0, 0, 0, 0);
    m_lapRows->setSpacing(2);
    m_laps->setWidget(content);
    return m_laps;
}

QString FocusView::titleText() const
{
    return m_title->text();
}

std::optional<QString> FocusView::errorText() const
{
    return m_error->isHidden() ? std::nullopt : std::optional<QString>(m_error->text());
}

QString FocusView::cycleText() const
{
    return m_cycleText->text();
}

QPair<qint64, qint64> FocusView::cycleDots() const
{
    return {m_dots->count(), m_dots->bright()};
}

QStringList FocusView::lapTexts() const
{
    QStringList texts;
    for (const QLabel* label : m_laps->widget()->findChildren<QLabel*>(Qt::FindChildrenRecursively))
        texts << label->text();
    QStringList rows;
    for (qsizetype i = 0; i + 1 < texts.size(); i += 2)
        rows << texts.at(i) + u' ' + texts.at(i + 1);
    return rows;
}

void FocusView::refresh()
{
    const FocusPhase phase = m_engine.phase();
    const FocusMode mode = m_engine.mode();
    const bool running = m_engine.isRunning();
    const bool idle = phase == FocusPhase::idle;
    {
        const QSignalBlocker blocker(m_modes);
        m_modes->button(int(mode))->setChecked(true);
    }
    m_modeRow->setEnabled(idle);

    m_ring->setText(ringText(m_engine));
    // Only a ring on screen moves; a hidden one jumps, so a collapsed panel costs no frames.
    m_ring->setProgress(mode == FocusMode::stopwatch ? 1.0 : m_engine.progress(), isVisible());
    m_title->setText(titleFor(m_engine));

    m_primary->setText(running ? QStringLiteral("Pause") : idle ? QStringLiteral("Start") : QStringLiteral("Resume"));
    m_primary->setSymbolName(running ? QStringLiteral("pause.fill") : QStringLiteral("play.fill"));
    m_reset->setVisible(!idle);
    m_skip->setVisible(mode == FocusMode::pomodoro && !idle);
    m_lap->setVisible(mode == FocusMode::stopwatch && running);

    m_cycleRow->setVisible(mode == FocusMode::pomodoro);
    const qint64 cycle = m_engine.sessionsBeforeLongBreak();
    m_dots->setState(std::max<qint64>(cycle, 1), cycle >= 1 ? m_engine.sessionsToday() % cycle : 0);
    m_cycleText->setText(minutesText(m_engine.workMinutes()) + QStringLiteral(" / ")
                         + minutesText(m_engine.shortBreakMinutes()) + QStringLiteral(" / ")
                         + minutesText(m_engine.longBreakMinutes()) + QStringLiteral(" min"));
    m_timerRow->setVisible(mode == FocusMode::timer && idle);
    m_laps->setVisible(mode == FocusMode::stopwatch && !m_engine.laps().isEmpty());
    refreshLaps();
}

void FocusView::refreshLaps()
{
    const QList<double> laps = m_engine.laps();
    if (laps == m_shownLaps)
        return;
    m_shownLaps = laps;
    while (QLayoutItem* item = m_lapRows->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    QWidget* content = m_laps->widget();
    for (qsizetype k = 0; k < laps.size(); ++k) {
        auto* line = new QWidget(content);
        auto* layout = row(0);
        line->setLayout(layout);
        layout->addWidget(toolLabel(QStringLiteral("Lap %1").arg(laps.size() - k), 13, NotchLayout::whiteAt(0.7), line,
                                    QFont::Normal));
        layout->addStretch();
        auto* time = new EvenDigitsLabel(formatLap(laps.at(k)), line);
        styleToolLabel(time, 13, NotchLayout::whiteAt(0.7));
        layout->addWidget(time);
        m_lapRows->addWidget(line);
    }
}

void FocusView::choosePreset(int minutes)
{
    const double seconds = minutes * 60.0;
    if (seconds < FocusEngine::shortestPhase || seconds > FocusEngine::longestPhase)
        return;
    m_engine.setMode(FocusMode::timer);
    m_engine.reset();
    m_engine.setCountdownMinutes(minutes);
    m_engine.beginPhase(FocusPhase::countdown, seconds);
}

void FocusView::submitDuration()
{
    const std::optional<double> seconds = parseDuration(m_field->text());
    if (!seconds) {
        setErrorText(durationErrorText);
        return;
    }
    m_engine.startCustom(*seconds);
    m_field->clear();
    setErrorText(std::nullopt);
}

void FocusView::setErrorText(const std::optional<QString>& text)
{
    m_error->setText(text.value_or(QString()));
    m_error->setVisible(text.has_value());
}
