#include "tests/support/TestEnvironment.h"

#include <QDir>

TestEnvironment::TestEnvironment()
{
    const auto point = [](const char* variable, const QString& path) {
        QDir().mkpath(path);
        qputenv(variable, QFile::encodeName(path));
    };
    point("XDG_CONFIG_HOME", configHome());
    point("XDG_DATA_HOME", dataHome());
    point("XDG_CACHE_HOME", home() + QStringLiteral("/cache"));
    point("XDG_STATE_HOME", home() + QStringLiteral("/state"));
    point("XDG_RUNTIME_DIR", home() + QStringLiteral("/runtime"));
    QFile::setPermissions(home() + QStringLiteral("/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
