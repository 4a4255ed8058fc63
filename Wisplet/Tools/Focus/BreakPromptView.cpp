#include "Wisplet/Tools/Focus/BreakPromptView.h"

#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Notch/NotchLayout.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Tools/Focus/FocusEngine.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int closePixels = 16;

} // namespace

BreakPromptView::BreakPromptView(FocusEngine& engine, QWidget* parent)
    : QWidget(parent)
    , m_engine(engine)
    , m_title(toolLabel({}, 13, NotchLayout::whiteAt(1.0), this, QFont::DemiBold))
    , m_start(new PillButton(QStringLiteral("Start break"), {}, true, this))
    , m_snooze(new PillButton(QStringLiteral("5 min later"), {}, false, this))
    , m_close(toolSymbolButton(QStringLiteral("xmark"), QStringLiteral("Dismiss break reminder"),
                               NotchLayout::whiteAt(0.7), closePixels, this))
{
    auto* icon = new QLabel(this);
    icon->setPixmap(symbolPixmap(QStringLiteral("figure.flexibility"), QSize(iconPixels, iconPixels), Qt::white,
                                 devicePixelRatioF()));
    auto* subtitle =
        toolLabel(QStringLiteral("Look away, loosen up, come back refreshed."), 12, NotchLayout::whiteAt(0.6), this);

    m_close->setCursor(Qt::PointingHandCursor);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    texts->addWidget(m_title);
    texts->addWidget(subtitle);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(padding, padding, padding, padding);
    row->setSpacing(spacing);
    row->addWidget(icon);
    row->addLayout(texts);
    row->addStretch();
    row->addWidget(m_start);
    row->addWidget(m_snooze);
    row->addWidget(m_close);

    connect(m_start, &QAbstractButton::clicked, &engine, &FocusEngine::startBreak);
    connect(m_snooze, &QAbstractButton::clicked, &engine, &FocusEngine::snoozeBreakPrompt);
    connect(m_close, &QAbstractButton::clicked, &engine, &FocusEngine::dismissBreakPrompt);
    connect(&engine, &FocusEngine::changed, this, &BreakPromptView::refresh);
    refresh();
}

QString BreakPromptView::titleText() const
{
    return m_title->text();
}

void BreakPromptView::refresh()
{
    const bool running = m_engine.isRunning();
    m_title->setText(isBreak(m_engine.phase()) && running ? QStringLiteral("Enjoy your break")
                                                          : QStringLiteral("A little stretch?"));
    m_start->setVisible(!running);
    m_snooze->setVisible(!running);
}

void BreakPromptView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.fillPath(card, NotchLayout::whiteAt(0.08));
}
