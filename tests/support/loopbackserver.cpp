// A scripted HTTP server on loopback, so that the network tests never leave the machine.
#include "loopbackserver.h"

#include <QTcpSocket>

#include <memory>

LoopbackServer::LoopbackServer(Script script) : script_(std::move(script))
{
    clock_.start();
    server_.listen(QHostAddress::LocalHost);
    connect(&server_, &QTcpServer::newConnection, this, &LoopbackServer::accept);
}

QUrl LoopbackServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path));
}

std::vector<SeenRequest> LoopbackServer::seenUnder(const QString& prefix) const
{
    std::vector<SeenRequest> under;
    for (const SeenRequest& request : seen_)
        if (request.target.path().startsWith(prefix))
            under.push_back(request);
    return under;
}

void LoopbackServer::accept()
{
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        auto head = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, head] {
            if (head->contains("\r\n\r\n"))
                return;
            head->append(socket->readAll());
            if (head->contains("\r\n\r\n"))
                answer(socket, *head);
        });
    }
}

void LoopbackServer::answer(QTcpSocket* socket, const QByteArray& head)
{
    const QList<QByteArray> lines = head.left(head.indexOf("\r\n\r\n")).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    SeenRequest seen;
    seen.target = QUrl(QString::fromLatin1(requestLine.value(1)));
    seen.atMs = clock_.elapsed();
    for (const QByteArray& line : lines)
        if (line.toLower().startsWith("user-agent:"))
            seen.userAgent = line.mid(11).trimmed();
    seen_.push_back(seen);

    const ScriptedReply reply = script_(seen.target);
    if (reply.silent)
        return;
    QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + " Scripted\r\nConnection: close\r\n";
    for (const auto& [name, value] : reply.headers)
        out += name + ": " + value + "\r\n";
    if (reply.announceLength)
        out += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    out += "\r\n";
    out += reply.cutAfter >= 0 ? reply.body.left(reply.cutAfter) : reply.body;
    socket->write(out);
    socket->disconnectFromHost();
}
