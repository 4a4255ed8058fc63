#pragma once

#include "Wisplet/Platform/ActiveWindowSource.h"

#include <QHash>
#include <QSet>

// The application in front, and the last window in front that was not one of ours: where the user was
// working before they turned to our panel.
class FrontApplications final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FrontApplications)

public:
    // `ownPid` is this process; windows of it are never the last one of another application.
    FrontApplications(ActiveWindowSource& windows, qint64 ownPid, QObject* parent = nullptr);

    std::optional<WindowInfo> front() const { return m_windows.activeWindow(); }
    std::optional<WindowInfo> lastOther() const { return m_lastOther; }
    bool isOurs(const WindowInfo& window) const { return window.pid != 0 && window.pid == m_ownPid; }

    // The application a process belongs to: its window the window manager lists (so it has the id and name
    // the window in front would have), else, for a process without one (a command-line tool), its process
    // name as id and class. None when the process cannot be found.
    std::optional<WindowInfo> ofProcess(qint64 pid) const;
    // Every id the processes (id → process name) go by: their names, and the ids of their windows.
    QSet<QString> idsOfProcesses(const QHash<qint64, QString>& names) const;

    // The name the user knows the application by: the Name of the desktop entry its id resolves to, else
    // its WM_CLASS class; empty when it has neither.
    QString applicationName(const WindowInfo& window) const;

    // The Name of a desktop entry's main group, in the language given ("de_CH" tries "de_CH", then "de")
    // before the plain one; empty when it has none.
    static QString desktopEntryName(const QByteArray& contents, const QString& language);

private:
    void activeChanged();

    ActiveWindowSource& m_windows;
    qint64 m_ownPid;
    std::optional<WindowInfo> m_lastOther;
    // Desktop entries are read once per id.
    mutable QHash<QString, QString> m_names;
};
