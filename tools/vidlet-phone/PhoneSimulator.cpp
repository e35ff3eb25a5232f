#include "tools/vidlet-phone/PhoneSimulator.h"

#include "tools/vidlet-phone/PhoneSession.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <cstdio>

namespace {

constexpr int kConnectTimeoutMs = 10000;
constexpr int kCloseTimeoutMs = 3000;

void print(FILE* to, const QString& line)
{
    std::fprintf(to, "vidlet-phone: %s\n", line.toUtf8().constData());
    std::fflush(to);
}

} // namespace

PhoneSimulator::PhoneSimulator(const PhoneOptions& options, QObject* parent)
    : QObject(parent),
      options(options)
{
    for (QTimer* timer : {&durationTimer, &pauseStartTimer, &pauseEndTimer, &closeDeadline})
        timer->setSingleShot(true);
    connect(&durationTimer, &QTimer::timeout, this, &PhoneSimulator::finishAll);
    connect(&pauseStartTimer, &QTimer::timeout, this, [this] { setPaused(true); });
    connect(&pauseEndTimer, &QTimer::timeout, this, [this] { setPaused(false); });
    connect(&closeDeadline, &QTimer::timeout, this, [this] {
        print(stderr, QStringLiteral("the PC did not take the last bytes; closing hard"));
        end(Ok);
    });
}

bool PhoneSimulator::start()
{
    if (!options.usbPort) {
        connectToPc();
        return true;
    }
    server = new QTcpServer(this);
    if (!server->listen(QHostAddress::LocalHost, *options.usbPort)) {
        print(stderr,
              QStringLiteral("cannot listen on port %1: %2")
                  .arg(*options.usbPort)
                  .arg(server->errorString()));
        return false;
    }
    connect(server, &QTcpServer::newConnection, this, &PhoneSimulator::onNewTunnel);
    print(stdout, QStringLiteral("listening on 127.0.0.1:%1").arg(server->serverPort()));
    return true;
}

void PhoneSimulator::connectToPc()
{
    auto* socket = new QTcpSocket(this);
    auto* timeout = new QTimer(socket);
    timeout->setSingleShot(true);
    const auto fail = [this, socket](const QString& why) {
        print(stderr,
              QStringLiteral("cannot connect to %1:%2: %3")
                  .arg(options.host)
                  .arg(options.port)
                  .arg(why));
        socket->abort();
        end(CannotConnect);
    };
    connect(timeout, &QTimer::timeout, this, [fail] { fail(QStringLiteral("timed out")); });
    connect(socket, &QTcpSocket::errorOccurred, this,
            [socket, fail] { fail(socket->errorString()); });
    connect(socket, &QTcpSocket::connected, this, [this, socket, timeout] {
        // From here on the session reports what happens to the connection.
        timeout->deleteLater();
        socket->disconnect(this);
        addSession(socket, false);
    });
    timeout->start(kConnectTimeoutMs);
    socket->connectToHost(options.host, options.port);
}

void PhoneSimulator::onNewTunnel()
{
    while (QTcpSocket* socket = server->nextPendingConnection()) {
        if (finishing) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        if (options.verbose)
            print(stdout, QStringLiteral("tunnel opened"));
        addSession(socket, true);
    }
}

PhoneSession* PhoneSimulator::addSession(QTcpSocket* socket, bool usb)
{
    auto* session = new PhoneSession(socket, usb, options, this);
    sessions.append(session);
    session->setPaused(paused);
    connect(session, &PhoneSession::welcomed, this, &PhoneSimulator::onWelcomed);
    connect(session, &PhoneSession::frameSent, this, &PhoneSimulator::onFrameSent);
    connect(session, &PhoneSession::rejected, this, [this] { end(Rejected); });
    connect(session, &PhoneSession::lost, this, [this, session, usb](const QString& reason) {
        print(stderr, reason);
        if (!usb) {
            end(Lost);
            return;
        }
        // The phone app outlives a tunnel: the PC may open another one.
        sessions.removeOne(session);
        session->deleteLater();
    });
    connect(session, &PhoneSession::closed, this, [this, session] { onSessionClosed(session); });
    return session;
}

void PhoneSimulator::onWelcomed()
{
    if (timelineStarted)
        return;
    timelineStarted = true;
    if (options.durationMs > 0)
        durationTimer.start(int(qMin<qint64>(options.durationMs, INT_MAX)));
    if (options.pauseMs > 0) {
        pauseStartTimer.start(int(qMin<qint64>(options.pauseAtMs, INT_MAX)));
        pauseEndTimer.start(int(qMin<qint64>(options.pauseAtMs + options.pauseMs, INT_MAX)));
    }
}

void PhoneSimulator::onFrameSent()
{
    ++framesSent;
    if (options.maxFrames > 0 && framesSent >= options.maxFrames)
        finishAll();
}

void PhoneSimulator::setPaused(bool pause)
{
    paused = pause;
    if (options.verbose)
        print(stdout, pause ? QStringLiteral("video paused") : QStringLiteral("video resumed"));
    for (PhoneSession* session : sessions)
        session->setPaused(pause);
}

void PhoneSimulator::finishAll()
{
    if (finishing)
        return;
    finishing = true;
    durationTimer.stop();
    if (server)
        server->close();
    if (sessions.isEmpty()) {
        end(Ok);
        return;
    }
    closeDeadline.start(kCloseTimeoutMs);
    // A session may close at once, which edits the list.
    const QList<PhoneSession*> open = sessions;
    for (PhoneSession* session : open)
        session->finish(!options.noBye);
}

void PhoneSimulator::onSessionClosed(PhoneSession* session)
{
    sessions.removeOne(session);
    session->deleteLater();
    if (finishing && sessions.isEmpty())
        end(Ok);
}

void PhoneSimulator::end(int exitCode)
{
    if (ended)
        return;
    ended = true;
    Q_EMIT finished(exitCode);
}
