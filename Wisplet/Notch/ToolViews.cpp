#include "Wisplet/Notch/ToolViews.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

namespace {

constexpr int headlinePixels = 13;

// Stands in for a tool whose view is not built yet: its title alone.
QWidget* titlePage(ToolID tool, QWidget* parent)
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

} // namespace

QWidget* createToolView(ToolID tool, QWidget* parent)
{
    switch (tool) {
    case ToolID::focus:
        return titlePage(tool, parent);
    case ToolID::clipboard:
        return titlePage(tool, parent);
    case ToolID::notes:
        return titlePage(tool, parent);
    case ToolID::links:
        return titlePage(tool, parent);
    case ToolID::system:
        return titlePage(tool, parent);
    case ToolID::media:
        return titlePage(tool, parent);
    case ToolID::calendar:
        return titlePage(tool, parent);
    case ToolID::weather:
        return titlePage(tool, parent);
    case ToolID::business:
        return titlePage(tool, parent);
    case ToolID::files:
        return titlePage(tool, parent);
    }
    return titlePage(tool, parent);
}

QFont headlineFont(const QFont& base)
{
    QFont font = base;
    font.setPixelSize(headlinePixels);
    font.setWeight(QFont::DemiBold);
    return font;
}
