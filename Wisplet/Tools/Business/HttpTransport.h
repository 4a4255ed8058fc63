#pragma once

#include "Wisplet/Tools/Business/CancelToken.h"

#include <QByteArray>
#include <QList>
#include <QUrl>

#include <QCoro/QCoroTask>

#include <chrono>
#include <utility>

using HttpHeaders = QList<std::pair<QByteArray, QByteArray>>;

// The answer to one GET: an HTTP status with its body, or why there was none.
struct HttpResponse
{
    enum class Failure {
        none,
        timedOut,
        hostNotFound,
        cannotConnect,
        secureConnection,
        network,
        // The answer was not HTTP (no status at all).
        notHttp,
        // The body went past the request's limit.
        tooLarge,
        // A redirect that was not followed: to another scheme, host or port for a request that may carry a
        // key, or to a less safe scheme for any request.
        redirectRefused,
        cancelled,
    };

    Failure failure = Failure::none;
    int status = 0;
    QByteArray body;
};

// Sends GET requests. Headers are set in order, a later one replacing an earlier one of the same name.
// The request is aborted when the token is cancelled, the time-out passes or the body grows past maxBytes.
// A request that may carry a key never follows a redirect to another scheme, host or port.
class HttpTransport
{
public:
    virtual ~HttpTransport() = default;

    virtual QCoro::Task<HttpResponse> get(QUrl url, HttpHeaders headers, std::chrono::milliseconds timeout,
                                          qint64 maxBytes, CancelToken cancel) = 0;
};
