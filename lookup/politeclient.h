#pragma once

#include "httpresult.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>

#include <deque>
#include <functional>
#include <map>

class QNetworkReply;

namespace lookup {

// The program's one way to ask a bibliographic service something. It names the
// program in its User-Agent, starts at most one request a second to each service
// (one at a time), waits as Retry-After says after a 429 or 503 and tries again a
// bounded number of times, gives up after 15 s without data, refuses a reply over
// 4 MB and a redirect loop. Everything is asynchronous: `get` returns at once and
// `done` is called later on the same thread, exactly once, unless the client is
// destroyed first.
class PoliteClient : public QObject {
public:
    using Done = std::function<void(const HttpResult&)>;

    struct Limits {
        int spacingMs = 1000;         ///< between the starts of two requests to one service
        int timeoutMs = 15000;
        qint64 maxBytes = 4 * 1024 * 1024;
        int maxRetries = 3;           ///< after a 429 or 503
        int maxRetryWaitSeconds = 60; ///< a longer Retry-After is a failure, not a wait
        int maxRedirects = 5;
    };

    explicit PoliteClient(QObject* parent = nullptr);
    // Drops the requests under way without calling back.
    ~PoliteClient() override;
    void setLimits(const Limits& limits) { limits_ = limits; }
    // Which addresses a redirect may lead to; any http or https address unless
    // said otherwise. A redirect from https to plain http is never followed.
    void setRedirectRule(std::function<bool(const QUrl&)> mayFollow) { mayFollow_ = std::move(mayFollow); }
    const Limits& limits() const { return limits_; }
    static QByteArray userAgent();

    // Queues a GET of `url` for `service` (the name that keeps the pace).
    void get(const QString& service, const QUrl& url, Done done);

private:
    struct Pending {
        QUrl url;
        Done done;
        int retries = 0;
        int redirects = 0;
    };
    struct Refusal {
        bool tooLarge = false;
        bool redirect = false;
        bool loop = false;
    };
    struct Queue {
        std::deque<Pending> waiting;
        qint64 notBefore = 0; ///< on clock_, when the next request may start
        bool busy = false;    ///< a request in flight, or a timer armed
    };

    void pump(const QString& service);
    void start(const QString& service, Pending pending);
    void finished(const QString& service, QNetworkReply* reply, Pending pending, const Refusal& refused);
    bool followRedirect(QNetworkReply* reply, Pending& pending, Refusal& refused);
    bool retryLater(const QString& service, QNetworkReply* reply, Pending& pending);
    static QString problemOf(QNetworkReply* reply, const Refusal& refused);

    QNetworkAccessManager manager_;
    QElapsedTimer clock_;
    Limits limits_;
    std::map<QString, Queue> queues_;
    std::function<bool(const QUrl&)> mayFollow_;
};

} // namespace lookup
