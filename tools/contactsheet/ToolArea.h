#pragma once

#include <QWidget>

class QDir;

// The tool area of the open panel, on the island's black, holding one tool page.
class ToolArea final : public QWidget
{
public:
    explicit ToolArea(QSize size);

    void setPage(QWidget* page);
    // Draws the area into the folder under the name; false when the file could not be written.
    bool shoot(const QDir& folder, const QString& name);
};
