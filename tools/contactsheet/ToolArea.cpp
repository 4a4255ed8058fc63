#include "ToolArea.h"

#include <QCoreApplication>
#include <QDir>
#include <QVBoxLayout>

ToolArea::ToolArea(QSize size)
{
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
    resize(size);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
}

void ToolArea::setPage(QWidget* page)
{
    page->setParent(this);
    layout()->addWidget(page);
    show();
}

bool ToolArea::shoot(const QDir& folder, const QString& name)
{
    QCoreApplication::processEvents();
    const QString path = folder.filePath(name);
    const bool ok = grab().toImage().save(path);
    qInfo("%s", qPrintable(path));
    return ok;
}
