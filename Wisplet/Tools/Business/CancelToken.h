#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <utility>

// Shared between whoever starts a fetch and the fetch itself: cancelling sets the flag, which the fetch
// checks after every wait, and aborts the request that runs at that moment. The flag may be read from a
// worker thread; everything else is the main thread's.
class CancelToken final
{
public:
    CancelToken()
        : m_state(std::make_shared<State>())
    { }

    bool isCancelled() const { return m_state->cancelled; }

    void cancel()
    {
        if (m_state->cancelled)
            return;
        m_state->cancelled = true;
        if (auto abort = std::exchange(m_state->abort, {}))
            abort();
    }

    // What aborts the running request; replaced by the next request, cleared when it ends.
    void setAbort(std::function<void()> abort) { m_state->abort = std::move(abort); }

private:
    struct State
    {
        std::atomic<bool> cancelled = false;
        std::function<void()> abort;
    };
    std::shared_ptr<State> m_state;
};
