#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QUrlQuery>

class QTcpSocket;

// A web server on 127.0.0.1 for a browser under test: it serves one page at "/" and turns every
// POST the page makes into a report() signal, with the time it arrived. Requests larger than a
// few frames are refused.
class PageServer : public QObject {
    Q_OBJECT
public:
    explicit PageServer(QByteArray page);
    // The page's address, with `query` (without "?") appended.
    QString url(const QString& query) const;

Q_SIGNALS:
    void report(const QString& path, const QUrlQuery& query, const QByteArray& body,
                quint64 arrivedUsec);

private:
    void serve(QTcpSocket* socket);

    // Before the server, whose sockets report their end while it is destroyed.
    QHash<QTcpSocket*, QByteArray> pending;
    QByteArray page;
    QTcpServer server;
};
