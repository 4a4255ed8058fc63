#include "Wisplet/App/ServiceCoordinator.h"

#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/ToolRegistry.h"
#include "Wisplet/Base/ToolService.h"

ServiceCoordinator::ServiceCoordinator(AppSettings& settings, ToolRegistry& registry, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_registry(registry)
{ }

ServiceCoordinator::~ServiceCoordinator() = default;

ServiceCoordinator& ServiceCoordinator::shared()
{
    static auto* coordinator = new ServiceCoordinator(AppSettings::shared(), ToolRegistry::shared());
    return *coordinator;
}

void ServiceCoordinator::registerService(ToolID tool, ToolService& service)
{
    m_services.insert(tool, &service);
}

void ServiceCoordinator::setClipboardConsent(std::function<bool()> consent)
{
    m_clipboardConsent = std::move(consent);
}

void ServiceCoordinator::start()
{
    if (m_started)
        return;
    m_started = true;
    m_subscriptions = {connect(&m_settings, &AppSettings::changed, this, &ServiceCoordinator::scheduleReconcile),
                       connect(&m_registry, &ToolRegistry::changed, this, &ServiceCoordinator::scheduleReconcile)};
    reconcile();
}

void ServiceCoordinator::scheduleReconcile()
{
    // One reconcile for a burst of changes, on a later pass of the loop: the stores hold their new values
    // by then, and a start action that changes a store cannot re-enter the reconcile that runs it.
    if (!m_started || m_reconcileScheduled)
        return;
    m_reconcileScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_reconcileScheduled = false;
            if (m_started)
                reconcile();
        },
        Qt::QueuedConnection);
}

QSet<ToolID> ServiceCoordinator::wanted() const
{
    QSet<ToolID> wanted;
    if (m_settings.onboarded() && !m_settings.presentationMode())
        wanted = m_registry.enabled();
    if (!m_clipboardConsent())
        wanted.remove(ToolID::clipboard);
    return wanted;
}

void ServiceCoordinator::reconcile()
{
    const QSet<ToolID> target = wanted();
    for (ToolID tool : m_running - target) {
        if (ToolService* service = m_services.value(tool))
            service->stop();
    }
    for (ToolID tool : target - m_running) {
        if (ToolService* service = m_services.value(tool))
            service->start();
    }
    m_running = target;
}

void ServiceCoordinator::stopAll(QDeadlineTimer deadline)
{
    // The focus session is saved first, whether or not the focus tool runs.
    for (ToolService* service : std::as_const(m_services))
        service->prepareForQuit();
    for (ToolID tool : std::as_const(m_running)) {
        if (ToolService* service = m_services.value(tool))
            service->stopForQuit(deadline);
    }
    m_running.clear();
    for (const QMetaObject::Connection& subscription : std::as_const(m_subscriptions))
        disconnect(subscription);
    m_subscriptions.clear();
    m_started = false;
}
