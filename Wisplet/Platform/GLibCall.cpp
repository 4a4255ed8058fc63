#include "Wisplet/Platform/GLibCall.h"

#include <QTimer>

#include <coroutine>

struct GLibCall::Pending
{
    std::coroutine_handle<> waiter;
    GObjectPtr<GAsyncResult> result;
};

class GLibCall::Awaiter final
{
public:
    Awaiter(GLibCall& call, Start start)
        : m_call(call)
        , m_start(std::move(start))
    { }

    bool await_ready() const noexcept { return m_call.m_timedOut; }

    void await_suspend(std::coroutine_handle<> waiter)
    {
        m_pending->waiter = waiter;
        m_call.m_current = m_pending;
        // GLib keeps its own share, so a callback after the deadline still finds the state it points to.
        m_start(&Awaiter::finished, new std::shared_ptr<Pending>(m_pending));
    }

    GObjectPtr<GAsyncResult> await_resume()
    {
        if (m_call.m_current == m_pending)
            m_call.m_current.reset();
        return std::move(m_pending->result);
    }

private:
    static void finished(GObject*, GAsyncResult* result, gpointer data)
    {
        const std::unique_ptr<std::shared_ptr<Pending>> held(static_cast<std::shared_ptr<Pending>*>(data));
        Pending& pending = **held;
        if (!pending.waiter)
            return;
        pending.result.reset(G_ASYNC_RESULT(g_object_ref(result)));
        std::exchange(pending.waiter, {}).resume();
    }

    GLibCall& m_call;
    Start m_start;
    std::shared_ptr<Pending> m_pending = std::make_shared<Pending>();
};

GLibCall::GLibCall(std::chrono::milliseconds timeout)
    : m_cancellable(g_cancellable_new())
    , m_deadline(new QTimer)
{
    m_deadline->setSingleShot(true);
    m_deadline->setTimerType(Qt::PreciseTimer);
    QObject::connect(m_deadline, &QTimer::timeout, m_deadline, [this] { expire(); });
    m_deadline->start(timeout);
}

GLibCall::~GLibCall()
{
    g_cancellable_cancel(m_cancellable.get());
    m_deadline->stop();
    // Later: the work may end inside the deadline's own signal.
    m_deadline->deleteLater();
}

QCoro::Task<GObjectPtr<GAsyncResult>> GLibCall::step(Start start)
{
    // Named: GCC 12 destroys a temporary awaiter in a co_await expression twice.
    Awaiter awaiter(*this, std::move(start));
    co_return co_await awaiter;
}

void GLibCall::expire()
{
    // Everything is taken first: the cancel may call back at once, and the resumed work may end this call.
    m_timedOut = true;
    const GObjectPtr<GCancellable> cancellable(G_CANCELLABLE(g_object_ref(m_cancellable.get())));
    const std::shared_ptr<Pending> current = std::exchange(m_current, {});
    g_cancellable_cancel(cancellable.get());
    if (current && current->waiter)
        std::exchange(current->waiter, {}).resume();
}
