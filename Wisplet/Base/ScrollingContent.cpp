#include "Wisplet/Base/ScrollingContent.h"

#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

QScrollArea* scrollingContent(QWidget& window, QWidget* content)
{
    auto* scroll = new QScrollArea(&window);
    scroll->setFrameShape(QFrame::NoFrame);
    // The content's own controls take the keyboard; the scroll area follows them.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
    // Measured as it will be shown: the style's fonts and margins come with polishing.
    content->ensurePolished();
    const QSize size = content->sizeHint().expandedTo(content->minimumSize()).boundedTo(content->maximumSize());
    window.setMinimumSize(size);
    window.resize(size);
    // Cut short by the screen, it grows by the scroll bar's width, so only one way scrolls.
    const int bar = scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    window.setMaximumSize(size + QSize(bar, bar));
    return scroll;
}
