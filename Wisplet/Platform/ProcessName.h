#pragma once

#include <QString>
#include <QStringList>

// The names a running process goes by. The root is "/proc" but for tests.
namespace ProcessName {

// The kernel's name for it (for a script its own name, not its interpreter's), made whole from the
// program's path where the kernel cut it to 15 characters. Empty when there is no such process.
QString of(qint64 pid, const QString& procRoot = QStringLiteral("/proc"));

// Every name it goes by: the one above first, then its argv[0]'s base name and its executable's, each
// once. A program started under another name (exec -a) or one that renamed itself is known by all of
// them; the executable is hidden for another user's process. Empty when there is no such process.
QStringList namesOf(qint64 pid, const QString& procRoot = QStringLiteral("/proc"));

} // namespace ProcessName
