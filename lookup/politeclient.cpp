// The paced, bounded HTTP client every bibliographic service is asked through.
// Lives as long as the lookup that owns it; a request still queued when it dies
// is dropped without calling back.
#include "politeclient.h"

#include <QDateTime>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace lookup {

namespace {

// Seconds to wait from a Retry-After header: a count of seconds or an HTTP date.
// Negative when the header says nothing usable.
qint64 retryAfterSeconds(const QByteArray& header)
{
    const QByteArray value = header.trimmed();
    if (value.isEmpty())
        return -1;
    bool number = false;
    const qint64 seconds = value.toLongLong(&number);
    if (number)
        return seconds < 0 ? -1 : seconds;
    const QDateTime when = QDateTime::fromString(QString::fromLatin1(value), Qt::RFC2822Date);
    if (!when.isValid())
        return -1;
    return std::max<qint64>(0, QDateTime::currentDateTimeUtc().secsTo(when));
}

} // namespace

PoliteClient::PoliteClient(QObject* parent) : QObject(parent)
{
    clock_.start();
    manager_.setAutoDeleteReplies(false);
}

PoliteClient::~PoliteClient()
{
    // The replies still open would report their end while the queues are being
    // destroyed: they are cut off from this client first.
    for (QNetworkReply* reply : manager_.findChildren<QNetworkReply*>()) {
        reply->disconnect(this);
        reply->disconnect(reply);
        reply->abort();
    }
}

QByteArray PoliteClient::userAgent()
{
    return QByteArrayLiteral("GestioneDorvi/" DORVI_VERSION);
}

void PoliteClient::get(const QString& service, const QUrl& url, Done done)
{
    queues_[service].waiting.push_back(Pending{url, std::move(done), 0});
    pump(service);
}

void PoliteClient::pump(const QString& service)
{
    Queue& queue = queues_[service];
    if (queue.busy || queue.waiting.empty())
        return;
    const qint64 wait = queue.notBefore - clock_.elapsed();
    if (wait > 0) {
        queue.busy = true;
        QTimer::singleShot(wait, this, [this, service] {
            queues_[service].busy = false;
            pump(service);
        });
        return;
    }
    Pending pending = std::move(queue.waiting.front());
    queue.waiting.pop_front();
    queue.busy = true;
    queue.notBefore = clock_.elapsed() + limits_.spacingMs;
    start(service, std::move(pending));
}

void PoliteClient::start(const QString& service, Pending pending)
{
    QNetworkRequest request(pending.url);
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent());
    request.setRawHeader("Accept", "application/json, image/*;q=0.9, */*;q=0.5");
    // Redirects are followed here, in `followRedirect`, not by the network layer.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(limits_.timeoutMs);
    QNetworkReply* reply = manager_.get(request);
    auto refused = std::make_shared<Refusal>();
    const qint64 maxBytes = limits_.maxBytes;
    // A server may announce a size it does not keep to, or none: the bytes
    // received count as well as the length announced.
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply, refused, maxBytes](qint64 received, qint64 total) {
        if (!refused->tooLarge && (received > maxBytes || total > maxBytes)) {
            refused->tooLarge = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, service, reply, refused, p = std::move(pending)]() mutable {
        finished(service, reply, std::move(p), *refused);
    });
}

void PoliteClient::finished(const QString& service, QNetworkReply* reply, Pending pending, const Refusal& refused)
{
    reply->deleteLater();
    Queue& queue = queues_[service];
    queue.busy = false;
    if (!refused.tooLarge && retryLater(service, reply, pending)) {
        queue.waiting.push_front(std::move(pending));
        pump(service);
        return;
    }
    Refusal redirect = refused;
    if (!refused.tooLarge && followRedirect(reply, pending, redirect)) {
        queue.busy = true;
        start(service, std::move(pending));
        return;
    }
    HttpResult result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.problem = problemOf(reply, redirect);
    if (result.problem.isEmpty())
        result.body = reply->readAll();
    if (result.body.size() > limits_.maxBytes) {
        result.body.clear();
        result.problem = QStringLiteral("la risposta supera i 4 MB");
    }
    pump(service);
    pending.done(result);
}

// True when the reply sends elsewhere and the address may be asked: at most a
// few times in a row, never to another kind of address than http and https,
// never from https to http, and only where the rule allows. `refused` says why
// a redirect was not followed.
bool PoliteClient::followRedirect(QNetworkReply* reply, Pending& pending, Refusal& refused)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 301 && status != 302 && status != 303 && status != 307 && status != 308)
        return false;
    const QByteArray location = reply->rawHeader("Location").trimmed();
    if (location.isEmpty())
        return false;
    const QUrl target = reply->url().resolved(QUrl::fromEncoded(location));
    const bool web = target.scheme() == QLatin1String("http") || target.scheme() == QLatin1String("https");
    const bool downgrade = reply->url().scheme() == QLatin1String("https") && target.scheme() != QLatin1String("https");
    if (++pending.redirects > limits_.maxRedirects) {
        refused.loop = true;
        return false;
    }
    if (!target.isValid() || !web || downgrade || (mayFollow_ && !mayFollow_(target))) {
        refused.redirect = true;
        return false;
    }
    pending.url = target;
    return true;
}

// True when the service asked to be asked again later and the wait it asked
// for is within bounds; the queue of that service then waits that long.
bool PoliteClient::retryLater(const QString& service, QNetworkReply* reply, Pending& pending)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 429 && status != 503)
        return false;
    if (pending.retries >= limits_.maxRetries)
        return false;
    qint64 seconds = retryAfterSeconds(reply->rawHeader("Retry-After"));
    if (seconds < 0)
        seconds = 2;
    if (seconds > limits_.maxRetryWaitSeconds)
        return false;
    ++pending.retries;
    Queue& queue = queues_[service];
    queue.notBefore = std::max(queue.notBefore, clock_.elapsed() + seconds * 1000);
    return true;
}

QString PoliteClient::problemOf(QNetworkReply* reply, const Refusal& refused)
{
    if (refused.tooLarge)
        return QStringLiteral("la risposta supera i 4 MB");
    if (refused.loop)
        return QStringLiteral("il servizio rinvia ad altri indirizzi senza fine");
    if (refused.redirect)
        return QStringLiteral("il servizio rinvia a un indirizzo che non si segue");
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 404 || status == 410)
        return {};
    if (status == 429 || status == 503)
        return QStringLiteral("il servizio è occupato e chiede di riprovare più tardi");
    if (status >= 400)
        return QStringLiteral("il servizio risponde con l'errore %1").arg(status);
    switch (reply->error()) {
    case QNetworkReply::NoError:
        if (status >= 300 && status < 400)
            return QStringLiteral("il servizio rinvia a un indirizzo che non si segue");
        return status >= 200 && status < 300 ? QString() : QStringLiteral("risposta inattesa del servizio (stato %1)").arg(status);
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::InsecureRedirectError:
        return QStringLiteral("il servizio rinvia ad altri indirizzi senza fine");
    case QNetworkReply::OperationCanceledError:
    case QNetworkReply::TimeoutError:
        return QStringLiteral("nessuna risposta entro 15 secondi");
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("il servizio rifiuta la connessione");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("indirizzo del servizio non trovato (la rete manca?)");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("il servizio ha chiuso la connessione a metà risposta");
    default:
        return QStringLiteral("errore di rete (%1)").arg(reply->errorString());
    }
}

} // namespace lookup
