#pragma once

#include "Wisplet/Tools/Business/HttpTransport.h"

// Answers every GET at once with `response` and records what was asked.
class FakeHttpTransport final : public HttpTransport
{
public:
    struct Request
    {
        QUrl url;
        HttpHeaders headers;
        std::chrono::milliseconds timeout;
    };

    QCoro::Task<HttpResponse> get(QUrl url, HttpHeaders headers, std::chrono::milliseconds timeout,
                                  CancelToken) override
    {
        requests.push_back({std::move(url), std::move(headers), timeout});
        // A copy: GCC 12 moves a member named in co_return, which would empty the next answer.
        HttpResponse answer = response;
        co_return answer;
    }

    HttpResponse response{HttpResponse::Failure::none, 200, QByteArrayLiteral("{}")};
    QList<Request> requests;
};
