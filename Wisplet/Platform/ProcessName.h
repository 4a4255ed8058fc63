#pragma once

#include <QString>

// The name a running process goes by: the kernel's name for it (for a script its own name, not its
// interpreter's), made whole from the program's path where the kernel cut it to 15 characters. Empty when
// there is no such process. The root is "/proc" but for tests.
namespace ProcessName {

QString of(qint64 pid, const QString& procRoot = QStringLiteral("/proc"));

} // namespace ProcessName
