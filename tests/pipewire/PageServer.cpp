#include "tests/pipewire/PageServer.h"

#include "tools/common/FrameStamp.h"

#include <QTcpSocket>
#include <QUrl>

namespace {

constexpr qsizetype kMaxRequest = 64 * 1024 * 1024;

} // namespace

PageServer::PageServer(QByteArray html)
    : page(std::move(html))
{
    server.listen(QHostAddress::LocalHost, 0);
    connect(&server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                pending.remove(socket);
                socket->deleteLater();
            });
        }
    });
}

QString PageServer::url(const QString& query) const
{
    return QStringLiteral("http://127.0.0.1:%1/?%2").arg(server.serverPort()).arg(query);
}

void PageServer::serve(QTcpSocket* socket)
{
    QByteArray& request = pending[socket];
    request += socket->readAll();
    const qsizetype headerEnd = request.indexOf("\r\n\r\n");
    if (headerEnd < 0 && request.size() < 65536)
        return;
    qsizetype length = 0;
    const QList<QByteArray> lines = request.left(headerEnd).split('\n');
    for (const QByteArray& line : lines)
        if (line.toLower().startsWith("content-length:"))
            length = line.mid(15).trimmed().toLongLong();
    if (headerEnd < 0 || length < 0 || length > kMaxRequest) {
        socket->write("HTTP/1.1 413 Too Large\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
        socket->disconnectFromHost();
        return;
    }
    if (request.size() < headerEnd + 4 + length)
        return;
    const quint64 arrived = FrameStamp::nowUsec();
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    const QUrl target(QString::fromLatin1(requestLine.value(1)));
    const QByteArray body = request.mid(headerEnd + 4, length);
    request.clear();
    QByteArray reply;
    if (requestLine.value(0) == "GET" && target.path() == QStringLiteral("/"))
        reply = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nCache-Control: no-store\r\n"
                "Content-Length: "
            + QByteArray::number(page.size()) + "\r\n\r\n" + page;
    else if (requestLine.value(0) == "POST")
        reply = "HTTP/1.1 204 No Content\r\n\r\n";
    else
        reply = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n";
    socket->write(reply);
    if (requestLine.value(0) == "POST")
        Q_EMIT report(target.path(), QUrlQuery(target), body, arrived);
}
