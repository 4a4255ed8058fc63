#pragma once

#include "Wisplet/Tools/Business/HttpTransport.h"

#include <functional>

// Answers every GET at once with `response` (or what `answer` makes of the address, when set) and records
// what was asked.
class FakeHttpTransport final : public HttpTransport
{
public:
    struct Request
    {
        QUrl url;
        HttpHeaders headers;
        std::chrono::milliseconds timeout;
        qint64 maxBytes;
    };

    QCoro::Task<HttpResponse> get(QUrl url, HttpHeaders headers, std::chrono::milliseconds timeout, qint64 maxBytes,
                                  CancelToken) override
    {
        requests.push_back({std::move(url), std::move(headers), timeout, maxBytes});
        // A copy: GCC 12 moves a member named in co_return, which would empty the next answer.
        HttpResponse reply = answer ? answer(requests.last().url) : response;
        co_return reply;
    }

    HttpResponse response{HttpResponse::Failure::none, 200, QByteArrayLiteral("{}")};
    std::function<HttpResponse(const QUrl&)> answer;
    QList<Request> requests;
};
