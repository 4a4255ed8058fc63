#pragma once

#include "Wisplet/Tools/Business/HttpTransport.h"

#include <QHash>
#include <QMap>
#include <QUrlQuery>

// Answers each GET by its path (as sent, percent-encoding kept) with the path's answers in turn, the last
// one repeating; a path it was not given answers 404. Records what was asked.
class RoutedHttpTransport final : public HttpTransport
{
public:
    struct Request
    {
        QUrl url;
        HttpHeaders headers;

        QString path() const { return url.path(QUrl::FullyEncoded); }
        QMap<QString, QString> query() const
        {
            QMap<QString, QString> items;
            for (const auto& [key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded))
                items.insert(key, value);
            return items;
        }
        // The header's last value; empty when it was not sent.
        QByteArray header(const QByteArray& name) const
        {
            QByteArray value;
            for (const auto& [key, text] : headers) {
                if (key == name)
                    value = text;
            }
            return value;
        }
    };

    QCoro::Task<HttpResponse> get(QUrl url, HttpHeaders headers, std::chrono::milliseconds, qint64,
                                  CancelToken) override
    {
        requests.push_back({url, std::move(headers)});
        QList<HttpResponse>& queue = answers[url.path(QUrl::FullyEncoded)];
        if (queue.isEmpty())
            co_return HttpResponse{HttpResponse::Failure::none, 404, {}};
        co_return queue.size() > 1 ? queue.takeFirst() : queue.first();
    }

    QHash<QString, QList<HttpResponse>> answers;
    QList<Request> requests;
};
