#pragma once

// GLib's D-Bus headers use "signals" as a field name, which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

#include <QtGlobal>

#include <QCoro/QCoroTask>

#include <chrono>
#include <functional>
#include <memory>

class QTimer;

struct GObjectUnref
{
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

// One piece of asynchronous work made of GLib calls that share a cancellable and a deadline. GLib calls back
// only from its main context, which Qt's event loop runs on the main thread. When the time is up the calls
// are cancelled and the step under way ends at once without a result, whether or not GLib ever calls back;
// a late callback finds nobody waiting. Main thread only.
class GLibCall final
{
public:
    // Begins a GLib asynchronous function with the callback and the data it must call back with.
    using Start = std::function<void(GAsyncReadyCallback, gpointer)>;

    explicit GLibCall(std::chrono::milliseconds timeout);
    ~GLibCall();
    Q_DISABLE_COPY_MOVE(GLibCall)

    GCancellable* cancellable() const { return m_cancellable.get(); }
    bool timedOut() const { return m_timedOut; }

    // Runs one GLib call to its end: its result for the matching `…_finish`, none once the time is up.
    QCoro::Task<GObjectPtr<GAsyncResult>> step(Start start);

private:
    struct Pending;
    class Awaiter;

    void expire();

    GObjectPtr<GCancellable> m_cancellable;
    QTimer* m_deadline;
    std::shared_ptr<Pending> m_current;
    bool m_timedOut = false;
};
