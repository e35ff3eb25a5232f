// vidlet-usbmuxd: a usbmux service stand-in for tests. See MuxService.h and usage() below.

#include "tools/vidlet-usbmuxd/MuxService.h"
#include "tools/vidlet-usbmuxd/StdinLines.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <optional>

namespace {

const char* usage()
{
    return "usage: vidlet-usbmuxd (--socket PATH | --port N) [options]\n"
           "  --socket PATH           listen on a Unix socket (usbmuxd's is /var/run/usbmuxd)\n"
           "  --port N                listen on 127.0.0.1:N (0: any free port)\n"
           "  --device SERIAL=HOST:PORT\n"
           "                          a phone on USB whose app port 7847 is HOST:PORT;\n"
           "                          repeat for more phones\n"
           "  --refuse-connects N     refuse the first N Connects\n"
           "  --detach-after-ms MS    detach every device MS after start\n"
           "  --reattach-after-ms MS  attach them again MS after that\n"
           "commands on standard input, one a line:\n"
           "  detach [SERIAL] | attach [SERIAL] | drop-control | quit\n"
           "prints \"listening on ADDRESS\" when ready and \"ok\" or \"error\" per command.\n"
           "exit codes: 0 quit, 1 bad arguments, 2 cannot listen\n";
}

struct Options {
    QString socketPath;
    std::optional<quint16> port;
    QList<MuxService::Device> devices;
    int refuseConnects = 0;
    int detachAfterMs = -1;
    int reattachAfterMs = -1;
};

std::optional<MuxService::Device> parseDevice(const QString& text)
{
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (equals <= 0 || colon <= equals + 1)
        return std::nullopt;
    bool ok = false;
    const uint port = text.mid(colon + 1).toUInt(&ok);
    if (!ok || port == 0 || port > 65535)
        return std::nullopt;
    MuxService::Device device;
    device.serial = text.left(equals);
    device.host = text.mid(equals + 1, colon - equals - 1);
    device.port = quint16(port);
    return device;
}

std::optional<Options> parse(const QStringList& args)
{
    Options o;
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (i + 1 >= args.size())
            return std::nullopt;
        const QString value = args.at(++i);
        bool ok = true;
        if (arg == u"--socket") {
            o.socketPath = value;
        } else if (arg == u"--port") {
            const uint port = value.toUInt(&ok);
            ok = ok && port <= 65535;
            o.port = quint16(port);
        } else if (arg == u"--device") {
            const auto device = parseDevice(value);
            ok = device.has_value();
            if (ok)
                o.devices.append(*device);
        } else if (arg == u"--refuse-connects") {
            o.refuseConnects = value.toInt(&ok);
        } else if (arg == u"--detach-after-ms") {
            o.detachAfterMs = value.toInt(&ok);
        } else if (arg == u"--reattach-after-ms") {
            o.reattachAfterMs = value.toInt(&ok);
        } else {
            ok = false;
        }
        if (!ok)
            return std::nullopt;
    }
    if (o.socketPath.isEmpty() == !o.port.has_value())
        return std::nullopt;
    return o;
}

void say(const QString& text)
{
    std::fprintf(stdout, "%s\n", qPrintable(text));
    std::fflush(stdout);
}

bool runCommand(MuxService& service, const QString& command)
{
    const QStringList words = command.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString verb = words.value(0);
    const QString serial = words.value(1);
    if (verb == u"detach")
        return service.detach(serial);
    if (verb == u"attach")
        return service.attach(serial);
    if (verb == u"drop-control") {
        service.dropControl();
        return true;
    }
    if (verb == u"quit") {
        QCoreApplication::quit();
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const std::optional<Options> options = parse(app.arguments());
    if (!options) {
        std::fputs(usage(), stderr);
        return 1;
    }

    MuxService service(options->devices, options->refuseConnects);
    const bool listening =
        options->port ? service.listenTcp(*options->port) : service.listenUnix(options->socketPath);
    if (!listening) {
        std::fprintf(
            stderr, "vidlet-usbmuxd: cannot listen on %s\n",
            qPrintable(options->port ? QString::number(*options->port) : options->socketPath));
        return 2;
    }
    say(QStringLiteral("listening on ") + service.address());

    if (options->detachAfterMs >= 0) {
        QTimer::singleShot(options->detachAfterMs, &service, [&service, &options] {
            service.detach(QString());
            if (options->reattachAfterMs >= 0) {
                QTimer::singleShot(options->reattachAfterMs, &service,
                                   [&service] { service.attach(QString()); });
            }
        });
    }

    StdinLines input;
    QObject::connect(&input, &StdinLines::line, &service, [&service](const QString& command) {
        if (!command.isEmpty())
            say(runCommand(service, command) ? QStringLiteral("ok") : QStringLiteral("error"));
    });
    return app.exec();
}
