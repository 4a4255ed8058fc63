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
    // The window in front at an X server time (a copy's): the one that had become active by then, as the
    // last changes remembered say; the one in front now when the time is not known.
    std::optional<WindowInfo> frontAt(std::optional<quint32> time) const;
    std::optional<WindowInfo> lastOther() const { return m_lastOther; }
    bool isOurs(const WindowInfo& window) const { return window.pid != 0 && window.pid == m_ownPid; }
    // The windows the window manager lists now, as each was when it was first listed.
    QList<WindowInfo> listedWindows() const { return m_windows.listedWindows(); }

    // A window's desktop-entry id and its class.
    static QSet<QString> idsOf(const WindowInfo& window);

    // The name the user knows the application by: the Name of the desktop entry its id resolves to, else
    // its WM_CLASS class; empty when it has neither.
    QString applicationName(const WindowInfo& window) const;

    // The Name of a desktop entry's main group, in the language given ("de_CH" tries "de_CH", then "de")
    // before the plain one; empty when it has none.
    static QString desktopEntryName(const QByteArray& contents, const QString& language);

private:
    // A window became active at a time (none: before we looked, or the source cannot say), as it was then.
    struct Change
    {
        std::optional<quint32> time;
        std::optional<WindowInfo> window;
    };
    // Far more changes than a user makes between two looks at the clipboard.
    static constexpr qsizetype rememberedChanges = 32;

    void activeChanged();
    // The window manager may go on naming a window closed in front as the active one: it is in front no more.
    void unlisted(quint32 window, std::optional<quint32> time);
    void remember(const Change& change);

    ActiveWindowSource& m_windows;
    qint64 m_ownPid;
    std::optional<WindowInfo> m_lastOther;
    // Oldest first.
    QList<Change> m_changes;
    // Desktop entries are read once per id.
    mutable QHash<QString, QString> m_names;
};
