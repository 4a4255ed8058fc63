#pragma once

#include <QToolButton>
#include <QUrl>

#include <functional>

// A link that opens an address, as one stop on the Tab path that wears the focus ring (a label's link stops once
// unmarked before it highlights): its text in the link's colour, opened by a click, Space or Return.
class LinkButton final : public QToolButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LinkButton)

public:
    using Opener = std::function<void(const QUrl&)>;

    // Opened by the desktop.
    LinkButton(const QString& text, const QUrl& address, const QColor& colour, QWidget* parent = nullptr);
    LinkButton(const QString& text, const QUrl& address, const QColor& colour, Opener open, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
