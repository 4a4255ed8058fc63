#pragma once

#include "Wisplet/Tools/Business/IntegrationConnector.h"

#include <coroutine>
#include <memory>
#include <vector>

// A connector whose fetches wait until the test answers them. A cancelled fetch ends at once with
// cancelled(), as a real request does, unless `ignoresCancel` is set (a connector that answers late
// anyway). Fetches still waiting when the fake goes end as cancelled.
class FakeConnector final : public IntegrationConnector
{
public:
    struct Call
    {
        IntegrationKind kind;
        Credentials credentials;
        std::optional<SnapshotResult> result;
        std::coroutine_handle<> waiter;
    };

    ~FakeConnector() override
    {
        for (const auto& call : calls)
            answer(*call, IntegrationError::cancelled());
    }

    QCoro::Task<SnapshotResult> fetch(IntegrationKind kind, Credentials credentials, CancelToken cancel) override
    {
        auto call = std::make_shared<Call>(Call{kind, std::move(credentials), {}, {}});
        calls.push_back(call);
        if (!ignoresCancel) {
            cancel.setAbort([weak = std::weak_ptr<Call>(call)] {
                if (const auto held = weak.lock())
                    answer(*held, IntegrationError::cancelled());
            });
        }
        // Named: GCC 12 destroys a braced temporary in a co_await expression twice.
        Wait wait{call};
        co_await wait;
        co_return *call->result;
    }

    // Ends the index-th fetch with the result (once).
    void finish(qsizetype index, const SnapshotResult& result) { answer(*calls.at(index), result); }
    bool isWaiting(qsizetype index) const { return !calls.at(index)->result; }

    std::vector<std::shared_ptr<Call>> calls;
    bool ignoresCancel = false;

private:
    struct Wait
    {
        std::shared_ptr<Call> call;
        bool await_ready() const noexcept { return call->result.has_value(); }
        void await_suspend(std::coroutine_handle<> waiter) noexcept { call->waiter = waiter; }
        void await_resume() const noexcept { }
    };

    static void answer(Call& call, const SnapshotResult& result)
    {
        if (call.result)
            return;
        call.result = result;
        if (const std::coroutine_handle<> waiter = std::exchange(call.waiter, {}))
            waiter.resume();
    }
};
