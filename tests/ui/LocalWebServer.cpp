#include "tests/ui/LocalWebServer.h"

#include <QFile>
#include <QProcess>
#include <QSslServer>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTimer>

LocalWebServer::Identity LocalWebServer::makeIdentity()
{
    QTemporaryDir dir;
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                   "-nodes", "-days", "1", "-subj", "/CN=127.0.0.1", "-addext",
                   "subjectAltName=IP:127.0.0.1", "-keyout", dir.filePath("key.pem"), "-out",
                   dir.filePath("cert.pem")});
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0)
        return Identity();
    QFile cert(dir.filePath("cert.pem"));
    QFile key(dir.filePath("key.pem"));
    if (!cert.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly))
        return Identity();
    Identity identity;
    identity.certificate = QSslCertificate(cert.readAll());
    identity.key = QSslKey(key.readAll(), QSsl::Ec);
    return identity;
}

LocalWebServer::LocalWebServer(const Identity& identity)
{
    if (identity.isNull()) {
        server = std::make_unique<QTcpServer>();
        connect(server.get(), &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket* s = server->nextPendingConnection())
                serve(s);
        });
    } else {
        tls = true;
        auto ssl = std::make_unique<QSslServer>();
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificate(identity.certificate);
        config.setPrivateKey(identity.key);
        config.setPeerVerifyMode(QSslSocket::VerifyNone); // clients bring no certificate
        ssl->setSslConfiguration(config);
        connect(ssl.get(), &QSslServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket* s = server->nextPendingConnection())
                serve(s);
        });
        server = std::move(ssl);
    }
    server->listen(QHostAddress::LocalHost, 0);
}

LocalWebServer::~LocalWebServer() = default;

void LocalWebServer::answerAlways(const QByteArray& body)
{
    respond = [body](const Request&) {
        Answer a;
        a.body = body;
        return a;
    };
}

quint16 LocalWebServer::port() const
{
    return server->serverPort();
}

QByteArray LocalWebServer::origin() const
{
    return (tls ? "https://127.0.0.1:" : "http://127.0.0.1:") + QByteArray::number(port());
}

void LocalWebServer::serve(QTcpSocket* socket)
{
    socket->setParent(this);
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        ++closedConnections;
        socket->deleteLater();
    });
    auto head = std::make_shared<QByteArray>();
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, head] {
        if (head->endsWith("\r\n\r\n"))
            return; // answered already; a GET has no body
        head->append(socket->readAll());
        const qsizetype end = head->indexOf("\r\n\r\n");
        if (end < 0)
            return;
        head->truncate(end + 4);
        const QList<QByteArray> lines = head->left(end).split('\n');
        const QList<QByteArray> first = lines.first().trimmed().split(' ');
        Request r{first.value(0), first.value(1), {}};
        for (const QByteArray& line : lines.mid(1)) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                r.headers.insert(line.left(colon).trimmed().toLower(),
                                 line.mid(colon + 1).trimmed());
        }
        requests << r;
        const Answer a = respond(r);
        if (a.silent)
            return;
        QTimer::singleShot(a.delayMs, socket, [this, socket, a] { answer(socket, a); });
    });
}

void LocalWebServer::answer(QTcpSocket* socket, const Answer& a)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(a.status)
        + " X\r\n"
          "Content-Type: application/json\r\nConnection: close\r\n";
    if (!a.location.isEmpty())
        head += "Location: " + a.location + "\r\n";
    if (a.declareLength)
        head += "Content-Length: " + QByteArray::number(a.body.size() + a.padding) + "\r\n";
    socket->write(head + "\r\n");
    // Leading filler (JSON allows white space before the value) goes out while this thread is
    // held, as a busy window holds the thread that would abort the reply: only the client's own
    // bound on what it reads can stop the stream. A client that stops reading stalls it.
    auto* ssl = qobject_cast<QSslSocket*>(socket);
    auto pending = [socket, ssl] {
        return socket->bytesToWrite() + (ssl ? ssl->encryptedBytesToWrite() : 0);
    };
    for (qint64 left = a.padding; left > 0; left -= 64 * 1024) {
        const qint64 n = std::min<qint64>(left, 64 * 1024);
        socket->write(QByteArray(n, ' '));
        bodyBytesSent += n;
        while (pending() > 256 * 1024) {
            if (!socket->waitForBytesWritten(500)) {
                socket->abort();
                return;
            }
        }
    }
    socket->write(a.body);
    bodyBytesSent += a.body.size();
    socket->disconnectFromHost();
}
