#pragma once

#include <QString>
#include <QTemporaryDir>

// Points the per-user folders (config, data, cache, runtime) at a fresh temporary home, so that no
// test reads or writes the real user's settings, files or autostart entries.
class TestEnvironment final
{
public:
    TestEnvironment();

    QString home() const { return m_home.path(); }
    QString configHome() const { return home() + QStringLiteral("/config"); }
    QString dataHome() const { return home() + QStringLiteral("/data"); }
    QString defaultsPath() const { return configHome() + QStringLiteral("/Wisplet/defaults.json"); }
    QString appSupportPath() const { return dataHome() + QStringLiteral("/Wisplet"); }

private:
    QTemporaryDir m_home;
};

// A fresh temporary folder with a helper for paths inside it.
class TempFolder final
{
public:
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};
