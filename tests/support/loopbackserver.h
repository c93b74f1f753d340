#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>
#include <QUrl>

#include <functional>
#include <vector>

// What the loopback server answers to one request.
struct ScriptedReply {
    int status = 200;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    qint64 cutAfter = -1;       ///< send only this many bytes of the body, then close
    bool announceLength = true; ///< false: no Content-Length, the end is the connection's close
    bool silent = false;        ///< never answer: the connection stays open and quiet

    static ScriptedReply json(const QByteArray& body) { return {200, body, {{"Content-Type", "application/json"}}}; }
    static ScriptedReply withStatus(int code) { return {code, {}, {}}; }
};

// One request as the server received it.
struct SeenRequest {
    QUrl target;          ///< path and query
    QByteArray userAgent;
    qint64 atMs = 0;      ///< on the server's clock, from its start
};

// A small HTTP/1.1 server on 127.0.0.1 that answers each request from a script,
// one connection a request, and notes what it was asked and when.
class LoopbackServer : public QObject {
public:
    using Script = std::function<ScriptedReply(const QUrl& target)>;

    explicit LoopbackServer(Script script);
    QUrl url(const QString& path = {}) const;
    const std::vector<SeenRequest>& seen() const { return seen_; }
    // The requests whose path starts with `prefix`.
    std::vector<SeenRequest> seenUnder(const QString& prefix) const;

private:
    void accept();
    void answer(class QTcpSocket* socket, const QByteArray& head);

    Script script_;
    QTcpServer server_;
    QElapsedTimer clock_;
    std::vector<SeenRequest> seen_;
};
