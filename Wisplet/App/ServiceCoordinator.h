#pragma once

#include "Wisplet/Base/ToolID.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QObject>
#include <QSet>

#include <functional>

class AppSettings;
class ToolRegistry;
class ToolService;

// Runs each tool's background work exactly while the tool is enabled, onboarding is done, presentation
// mode is off and, for the clipboard, the user has allowed capture. Any change of the watched stores
// leads to one reconcile on a later pass of the event loop, however many changes came in that pass.
class ServiceCoordinator final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServiceCoordinator)

public:
    ServiceCoordinator(AppSettings& settings, ToolRegistry& registry, QObject* parent = nullptr);
    ~ServiceCoordinator() override;

    static ServiceCoordinator& shared();

    // Each tool with background work registers its service once; the coordinator does not own it.
    void registerService(ToolID tool, ToolService& service);
    // Whether the clipboard may be watched; without a clipboard store, never.
    void setClipboardConsent(std::function<bool()> consent);
    // Another store whose changes may change what is wanted (the clipboard store's consent).
    template <typename Store, typename Signal>
    void watch(const Store* store, Signal signal)
    {
        connect(store, signal, this, &ServiceCoordinator::scheduleReconcile);
    }

    void start();
    // Makes the running set the wanted set: all stops first, then all starts.
    void reconcile();
    // For good, at quit: what each tool still waits for gets the time left until the deadline.
    void stopAll(QDeadlineTimer deadline);

    QSet<ToolID> wanted() const;
    QSet<ToolID> running() const { return m_running; }
    bool isStarted() const { return m_started; }
    bool isReconcileScheduled() const { return m_reconcileScheduled; }

private:
    void scheduleReconcile();

    AppSettings& m_settings;
    ToolRegistry& m_registry;
    QHash<ToolID, ToolService*> m_services;
    std::function<bool()> m_clipboardConsent = [] { return false; };
    QSet<ToolID> m_running;
    QList<QMetaObject::Connection> m_subscriptions;
    bool m_started = false;
    bool m_reconcileScheduled = false;
};
