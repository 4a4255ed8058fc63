#pragma once

#include <QMap>
#include <QProcess>
#include <QString>

#include <memory>

// The built program started as a user starts it, for tests that drive it from outside on the harness's
// display: the platform is its own choice, and the environment is the test's with the given changes (a null
// value removes the variable).
namespace LaunchedProgram {

std::unique_ptr<QProcess> start(const QString& binary, const QMap<QString, QString>& changes);
// The first visible window of the process; 0 when it has none.
quint32 visibleWindowOf(const QProcess& process);
// It ended by itself, normally, with this exit code, within the X tests' generous limit.
bool exitedWith(QProcess& process, int code);

} // namespace LaunchedProgram
