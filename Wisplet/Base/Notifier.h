#pragma once

#include "Wisplet/Base/ToolID.h"

#include <QObject>
#include <QString>

#include <optional>

class AppEvents;
class AppSettings;
class NotificationServer;
class ToolRegistry;

// Posts the program's desktop notifications, each tagged with the tool a click on it should show, and
// asks for permission to post them. Main thread only.
class Notifier final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Notifier)

public:
    static inline const QString notInstalledText = QStringLiteral("Notifications require the installed build.");
    static inline const QString deniedText =
        QStringLiteral("Allow notifications in your desktop's settings to receive alerts.");
    static inline const QString failedPrefix = QStringLiteral("Notification failed: ");

    // appBundle: whether this process runs from an installed build (see installedBuild()).
    Notifier(NotificationServer& server, AppSettings& settings, ToolRegistry& registry, AppEvents& events,
             bool appBundle, QObject* parent = nullptr);

    static Notifier& shared();

    // An installed build lives under a prefix that holds our desktop entry: <prefix>/bin/wisplet beside
    // <prefix>/share/applications/com.tidewell.wisplet.desktop. A build tree has no such entry.
    static bool isInstalledBuild(const QString& executableDir);
    // This process's answer, worked out once.
    static bool installedBuild();

    bool isAppBundle() const { return m_appBundle; }

    // The last problem with notifications the user should read, until the next attempt replaces it.
    std::optional<QString> errorText() const { return m_errorText; }
    void setErrorText(const std::optional<QString>& value);

    // Lands in AppSettings::notificationsEnabled and errorText once the service answers (or does not).
    void requestAuthorization();
    // Whether a tool should post at all: an installed build with notifications switched on. Quiet and
    // presentation mode are left to post().
    bool mayPost() const;
    // Does not read the notifications switch: callers test it (mayPost()). Nothing is posted in quiet or presentation
    // mode; the sound plays only when the caller and the user's sound setting both want it.
    void post(ToolID tool, const QString& title, const QString& body, bool sound = true);

signals:
    void errorTextChanged(const std::optional<QString>& value);
    // Any of the above.
    void changed();

private:
    // A click selects the tool and pins the panel, without opening the tool the usual way.
    void handleResponse(const QString& tag);

    NotificationServer& m_server;
    AppSettings& m_settings;
    ToolRegistry& m_registry;
    AppEvents& m_events;
    const bool m_appBundle;
    std::optional<QString> m_errorText;
};
