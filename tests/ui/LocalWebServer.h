#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>

#include <functional>
#include <memory>

class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1 for tests, plain or over TLS. Every request gets the
// answer `respond` makes for it, and the connection is closed after it. GUI thread only.
class LocalWebServer : public QObject {
    Q_OBJECT

public:
    struct Request {
        QByteArray method;
        QByteArray path;
        QHash<QByteArray, QByteArray> headers; // names in lower case
    };
    struct Answer {
        int status = 200;
        QByteArray body;
        QByteArray location;       // sent as Location when not empty
        bool silent = false;       // read the request, never answer
        int delayMs = 0;           // wait this long before answering
        qint64 padding = 0;        // white space sent before `body`, blocking this thread
        bool declareLength = true; // send Content-Length (otherwise the close ends the body)
    };

    // A self-signed certificate for 127.0.0.1, made with the openssl tool.
    struct Identity {
        QSslCertificate certificate;
        QSslKey key;
        bool isNull() const { return certificate.isNull(); }
    };
    static Identity makeIdentity();

    // Plain HTTP without an identity, TLS with one.
    explicit LocalWebServer(const Identity& identity = Identity());
    ~LocalWebServer() override;

    quint16 port() const;
    QByteArray origin() const; // "http://127.0.0.1:port" or "https://..."

    std::function<Answer(const Request&)> respond = [](const Request&) { return Answer{}; };
    // Answers every request with 200 and `body`.
    void answerAlways(const QByteArray& body);
    QList<Request> requests;
    int closedConnections = 0; // connections the client or the server has ended
    qint64 bodyBytesSent = 0;

private:
    void serve(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const Answer& a);

    std::unique_ptr<QTcpServer> server;
    bool tls = false;
};
