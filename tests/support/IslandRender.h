#pragma once

#include <QCoreApplication>
#include <QPalette>
#include <QWidget>

// Renders a page as the panel shows it, on the island's dark palette, to a PNG beside the test binary.
// The island takes the page over and deletes it.
inline bool renderOnIsland(QWidget* page, const QSize& size, const QString& fileName)
{
    QWidget island;
    QPalette dark(QColor(0x3a, 0x3a, 0x3c), QColor(0x1c, 0x1c, 0x1e));
    dark.setColor(QPalette::Base, QColor(0x2c, 0x2c, 0x2e));
    dark.setColor(QPalette::Window, Qt::black);
    island.setPalette(dark);
    island.setAutoFillBackground(true);
    page->setParent(&island);
    island.resize(size);
    page->resize(size);
    island.show();
    return island.grab().save(QCoreApplication::applicationDirPath() + u'/' + fileName);
}
