#include "Wisplet/Base/Notifier.h"

#include "Wisplet/Base/AppEvents.h"
#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/ToolRegistry.h"
#include "Wisplet/Platform/NotificationServer.h"
#include "Wisplet/Platform/Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

Notifier::Notifier(NotificationServer& server, AppSettings& settings, ToolRegistry& registry, AppEvents& events,
                   bool appBundle, QObject* parent)
    : QObject(parent)
    , m_server(server)
    , m_settings(settings)
    , m_registry(registry)
    , m_events(events)
    , m_appBundle(appBundle)
{
    connect(&m_server, &NotificationServer::activated, this, &Notifier::handleResponse);
}

Notifier& Notifier::shared()
{
    static auto* notifier = new Notifier(Platform::notifications(), AppSettings::shared(), ToolRegistry::shared(),
                                         AppEvents::shared(), installedBuild());
    return *notifier;
}

bool Notifier::isInstalledBuild(const QString& executableDir)
{
    const QDir prefix(executableDir + QStringLiteral("/.."));
    return QFileInfo(prefix.filePath(QStringLiteral("share/applications/com.tidewell.wisplet.desktop"))).isFile();
}

bool Notifier::installedBuild()
{
    static const bool installed = isInstalledBuild(QCoreApplication::applicationDirPath());
    return installed;
}

void Notifier::setErrorText(const std::optional<QString>& value)
{
    m_errorText = value;
    emit errorTextChanged(value);
    emit changed();
}

void Notifier::requestAuthorization()
{
    if (!m_appBundle) {
        setErrorText(notInstalledText);
        return;
    }
    m_server.checkAvailable(this, [this](bool available) {
        m_settings.setNotificationsEnabled(available);
        setErrorText(available ? std::nullopt : std::optional(deniedText));
    });
}

bool Notifier::mayPost() const
{
    return m_appBundle && m_settings.notificationsEnabled();
}

void Notifier::post(ToolID tool, const QString& title, const QString& body, bool sound)
{
    if (m_settings.quietMode() || m_settings.presentationMode())
        return;
    const NotificationServer::Notification notification{
        .summary = title, .body = body, .sound = sound && m_settings.notificationSounds(), .tag = rawValue(tool)};
    m_server.post(notification, this, [this](const NotificationServer::PostResult& result) {
        if (result.outcome == NotificationServer::Outcome::failed)
            setErrorText(failedPrefix + result.errorText);
    });
}

void Notifier::handleResponse(const QString& tag)
{
    const std::optional<ToolID> tool = toolFromRawValue(tag);
    if (!tool || !m_registry.enabled().contains(*tool) || m_settings.presentationMode())
        return;
    m_registry.setSelected(*tool);
    m_events.postPinOpen();
}
