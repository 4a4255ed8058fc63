#pragma once

#include <QString>

// The per-user folder the stores keep their files in: $XDG_DATA_HOME/Wisplet, created 0700 on first use
// and then fixed for the life of the process.
QString appSupportDirectory();
