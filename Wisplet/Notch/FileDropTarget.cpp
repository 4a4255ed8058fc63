#include "Wisplet/Notch/FileDropTarget.h"

#include <QMimeData>

QList<QUrl> FileDropTarget::localFiles(const QMimeData* mime)
{
    QList<QUrl> files;
    if (!mime)
        return files;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile())
            files.append(url);
    }
    return files;
}
