#pragma once

#include "Wisplet/Tools/Business/HttpTransport.h"

#include <coroutine>
#include <memory>
#include <optional>
#include <vector>

// A transport whose requests wait until the test answers them, so answers can come late or out of order.
// A cancelled request ends at once as cancelled, as a real one does; requests still waiting when the fake
// goes end as cancelled.
class HeldHttpTransport final : public HttpTransport
{
public:
    struct Call
    {
        QUrl url;
        std::optional<HttpResponse> response;
        std::coroutine_handle<> waiter;
    };

    ~HeldHttpTransport() override
    {
        for (const auto& call : calls)
            answer(*call, cancelled());
    }

    QCoro::Task<HttpResponse> get(QUrl url, HttpHeaders, std::chrono::milliseconds, qint64, CancelToken cancel) override
    {
        auto call = std::make_shared<Call>(Call{std::move(url), {}, {}});
        calls.push_back(call);
        cancel.setAbort([weak = std::weak_ptr<Call>(call)] {
            if (const auto held = weak.lock())
                answer(*held, cancelled());
        });
        // Named: GCC 12 destroys a braced temporary in a co_await expression twice.
        Wait wait{call};
        co_await wait;
        co_return *call->response;
    }

    // Ends the index-th request with the response (once).
    void finish(qsizetype index, const HttpResponse& response) { answer(*calls.at(index), response); }
    void finish(qsizetype index, const QByteArray& body) { finish(index, {HttpResponse::Failure::none, 200, body}); }
    bool isWaiting(qsizetype index) const { return !calls.at(index)->response; }

    std::vector<std::shared_ptr<Call>> calls;

private:
    struct Wait
    {
        std::shared_ptr<Call> call;
        bool await_ready() const noexcept { return call->response.has_value(); }
        void await_suspend(std::coroutine_handle<> waiter) noexcept { call->waiter = waiter; }
        void await_resume() const noexcept { }
    };

    static HttpResponse cancelled() { return {HttpResponse::Failure::cancelled, 0, {}}; }

    static void answer(Call& call, const HttpResponse& response)
    {
        if (call.response)
            return;
        call.response = response;
        if (const std::coroutine_handle<> waiter = std::exchange(call.waiter, {}))
            waiter.resume();
    }
};
