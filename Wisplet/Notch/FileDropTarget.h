#pragma once

#include <QList>
#include <QUrl>

// Where files dropped on the island go: the file shelf.
class FileDropTarget
{
public:
    virtual ~FileDropTarget() = default;

    // True when at least one of the files was taken; false refuses the drop.
    virtual bool handleDrop(const QList<QUrl>& files) = 0;
};
