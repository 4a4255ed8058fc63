#include "Wisplet/Base/LinkButton.h"

#include "Wisplet/Base/KeyboardPaths.h"

#include <QDesktopServices>
#include <QKeyEvent>

LinkButton::LinkButton(const QString& text, const QUrl& address, const QColor& colour, QWidget* parent)
    : LinkButton(
        text, address, colour, [](const QUrl& url) { QDesktopServices::openUrl(url); }, parent)
{ }

LinkButton::LinkButton(const QString& text, const QUrl& address, const QColor& colour, Opener open, QWidget* parent)
    : QToolButton(parent)
{
    setText(text);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    setAutoRaise(true);
    setCursor(Qt::PointingHandCursor);
    // The ring's clear border stands where the padding was, so the link keeps its size with the focus.
    setStyleSheet(QStringLiteral("QToolButton { background: transparent; color: rgba(%1, %2, %3, %4);"
                                 " border-radius: 4px; padding: 0; }")
                      .arg(colour.red())
                      .arg(colour.green())
                      .arg(colour.blue())
                      .arg(colour.alpha())
                  + KeyboardPaths::focusRingRules(QStringLiteral("QToolButton")));
    connect(this, &QToolButton::clicked, this, [address, open = std::move(open)] { open(address); });
}

void LinkButton::keyPressEvent(QKeyEvent* event)
{
    // Return opens a link as it does in a browser; a button answers only Space.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && !(event->modifiers() & ~Qt::KeypadModifier)) {
        click();
        return;
    }
    QToolButton::keyPressEvent(event);
}
