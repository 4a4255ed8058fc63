#include "Wisplet/Notch/ToolViews.h"

#include "Wisplet/Base/KeyboardPaths.h"
#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Notch/NotchLayout.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidget>

namespace {

constexpr int headlinePixels = 13;

} // namespace

QWidget* toolTitlePage(ToolID tool, QWidget* parent)
{
    auto* page = new QWidget(parent);
    auto* title = new QLabel(toolTitle(tool), page);
    title->setFont(headlineFont(title->font()));
    QPalette palette = title->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    title->setPalette(palette);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(title, 0, Qt::AlignTop | Qt::AlignLeft);
    column->addStretch();
    return page;
}

QFont headlineFont(const QFont& base)
{
    QFont font = base;
    font.setPixelSize(headlinePixels);
    font.setWeight(QFont::DemiBold);
    return font;
}

QEvent::Type keyboardWantedEvent()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

void giveKeyboardTo(QWidget* control)
{
    control->setFocus(Qt::OtherFocusReason);
    QEvent wanted(keyboardWantedEvent());
    QCoreApplication::sendEvent(control->window(), &wanted);
}

QLabel* toolLabel(const QString& text, int pixels, const QColor& colour, QWidget* parent, QFont::Weight weight)
{
    auto* label = new QLabel(parent);
    // Styled first, so the text is never taken for markup, not even for a moment.
    styleToolLabel(label, pixels, colour, weight);
    label->setText(text);
    return label;
}

void styleToolLabel(QLabel* label, int pixels, const QColor& colour, QFont::Weight weight)
{
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setPixelSize(pixels);
    font.setWeight(weight);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

QProgressBar* toolBusyIndicator(QWidget* parent, int width)
{
    auto* bar = new QProgressBar(parent);
    bar->setRange(0, 0);
    bar->setTextVisible(false);
    bar->setFixedSize(width, 4);
    return bar;
}

QString toolScrollBarStyle()
{
    return QStringLiteral("QScrollBar:vertical { background: transparent; width: 6px; }"
                          "QScrollBar::handle:vertical { background: rgba(255, 255, 255, 60);"
                          " border-radius: 3px; min-height: 24px; }"
                          "QScrollBar::add-line, QScrollBar::sub-line { height: 0; }"
                          "QScrollBar::add-page, QScrollBar::sub-page { background: none; }");
}

QScrollArea* toolScrollArea(QWidget* parent)
{
    auto* scroll = new QScrollArea(parent);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->verticalScrollBar()->setStyleSheet(toolScrollBarStyle());
    scroll->viewport()->setAutoFillBackground(false);
    auto* content = new QWidget(scroll);
    content->setAutoFillBackground(false);
    scroll->setWidget(content);
    return scroll;
}

QToolButton* toolSymbolButton(const QString& symbol, const QString& label, const QColor& tint, int pixels,
                              QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setIcon(symbolIcon(symbol, tint));
    button->setIconSize({pixels, pixels});
    button->setAutoRaise(true);
    button->setAccessibleName(label);
    button->setToolTip(label);
    // The ring's clear border stands where the padding was, so the button keeps its size with the focus.
    button->setStyleSheet(QStringLiteral("QToolButton { border-radius: 4px; padding: 0; }")
                          + KeyboardPaths::focusRingRules(QStringLiteral("QToolButton")));
    return button;
}
