#pragma once

#include "Wisplet/Base/ToolID.h"

#include <QList>
#include <QString>

namespace ToolSwitcher {

// The tools the switcher lists for a query: all ten in declaration order, whatever the user's order and
// enabled set, kept when the title contains the query ignoring case. The query counts as typed, spaces
// included; an empty one keeps every tool.
QList<ToolID> matches(const QString& query);

} // namespace ToolSwitcher
