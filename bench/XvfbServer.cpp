#include "bench/XvfbServer.h"

XvfbServer::~XvfbServer()
{
    if (server.state() == QProcess::NotRunning)
        return;
    server.terminate();
    if (!server.waitForFinished(3000)) {
        server.kill();
        server.waitForFinished(3000);
    }
}

QString XvfbServer::start()
{
    // The server picks a free display and writes its number to the descriptor named here
    // once it accepts clients.
    server.start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                  QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                  QStringLiteral("tcp")});
    QByteArray number;
    while (!number.endsWith('\n') && server.waitForReadyRead(10000))
        number += server.readAllStandardOutput();
    bool ok = false;
    const int display = number.trimmed().toInt(&ok);
    return ok ? QStringLiteral(":%1").arg(display) : QString();
}
