#include "Wisplet/Notch/ToolSwitcher.h"

namespace ToolSwitcher {

QList<ToolID> matches(const QString& query)
{
    QList<ToolID> found;
    for (ToolID tool : allTools) {
        if (query.isEmpty() || toolTitle(tool).contains(query, Qt::CaseInsensitive))
            found.append(tool);
    }
    return found;
}

} // namespace ToolSwitcher
