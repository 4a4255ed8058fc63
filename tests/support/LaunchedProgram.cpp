#include "tests/support/LaunchedProgram.h"

#include "tests/support/XTools.h"

namespace LaunchedProgram {

std::unique_ptr<QProcess> start(const QString& binary, const QMap<QString, QString>& changes)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        if (it.value().isNull())
            environment.remove(it.key());
        else
            environment.insert(it.key(), it.value());
    }
    auto process = std::make_unique<QProcess>();
    process->setProgram(binary);
    process->setProcessEnvironment(environment);
    process->start();
    return process;
}

quint32 visibleWindowOf(const QProcess& process)
{
    return XTools::run(QStringLiteral("xdotool"),
                       {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                        QString::number(process.processId())})
        .value_or(QString())
        .section(u'\n', 0, 0)
        .toUInt();
}

bool exitedWith(QProcess& process, int code)
{
    return process.waitForFinished(XTools::timeoutMs * 3) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == code;
}

} // namespace LaunchedProgram
