#pragma once

#include <QList>
#include <QUrl>

class QMimeData;

// Where files dropped on the island go: the file shelf.
class FileDropTarget
{
public:
    virtual ~FileDropTarget() = default;

    // True when at least one of the files was taken; false refuses the drop.
    virtual bool handleDrop(const QList<QUrl>& files) = 0;

    // The local files a drag carries, in order; other URLs and other kinds of data are left out.
    static QList<QUrl> localFiles(const QMimeData* mime);
};
