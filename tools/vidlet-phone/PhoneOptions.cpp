#include "tools/vidlet-phone/PhoneOptions.h"

#include <QFile>

namespace {

bool parseSize(const QString& text, int* width, int* height)
{
    const QStringList parts = text.toLower().split(QLatin1Char('x'));
    if (parts.size() != 2)
        return false;
    bool okW = false, okH = false;
    *width = parts[0].toInt(&okW);
    *height = parts[1].toInt(&okH);
    return okW && okH && *width > 0 && *height > 0;
}

bool parseInt(const QString& text, qint64 min, qint64 max, qint64* out)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < min || value > max)
        return false;
    *out = value;
    return true;
}

// pairing-token.txt holds the token on its first line.
std::optional<QString> readTokenFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return QString::fromUtf8(file.readLine(4096)).trimmed();
}

} // namespace

QString PhoneOptions::usage()
{
    return QStringLiteral(
        "usage: vidlet-phone [options]\n"
        "  --host ADDR --port N       connect to the PC (LAN mode; default 127.0.0.1:8788)\n"
        "  --usb-listen N             listen on 127.0.0.1:N for USB tunnels (0: any free port)\n"
        "  --token T | --token-file F pairing token (USB mode: overrides PAIR_INFO's)\n"
        "  --device-id ID --name N --model M --os V   what HELLO says\n"
        "  --protocol N               protocol version in HELLO (default 1)\n"
        "  --size WxH --fps N --bitrate KBPS --gop N   the encoded stream\n"
        "  --stream-info WxH          size announced in STREAM_INFO\n"
        "  --duration-ms N | --frames N   end after this long / this many frames\n"
        "  --pause-at-ms M --pause-ms N   stop the video for N ms, M ms after WELCOME\n"
        "  --no-bye                   end without saying BYE\n"
        "  --verbose                  print what the PC sends\n"
        "  --help                     this text\n"
        "exit codes: 0 normal end, 1 bad arguments, 2 cannot connect or listen,\n"
        "            3 rejected by the PC, 4 connection lost or broken by the PC\n");
}

std::optional<PhoneOptions> PhoneOptions::parse(const QStringList& arguments, QString* error)
{
    PhoneOptions o;
    const auto fail = [error](const QString& message) {
        *error = message;
        return std::optional<PhoneOptions>();
    };
    for (int i = 1; i < arguments.size(); ++i) {
        const QString arg = arguments[i];
        if (arg == QLatin1String("--no-bye")) {
            o.sendBye = false;
            continue;
        }
        if (arg == QLatin1String("--verbose")) {
            o.verbose = true;
            continue;
        }
        if (arg == QLatin1String("--help")) {
            o.help = true;
            continue;
        }
        if (i + 1 >= arguments.size())
            return fail(QStringLiteral("%1 needs a value").arg(arg));
        const QString value = arguments[++i];
        qint64 n = 0;
        const auto number = [&](qint64 min, qint64 max) {
            if (!parseInt(value, min, max, &n)) {
                *error = QStringLiteral("%1: bad value \"%2\"").arg(arg, value);
                return false;
            }
            return true;
        };
        if (arg == QLatin1String("--host")) {
            o.host = value;
        } else if (arg == QLatin1String("--port")) {
            if (!number(1, 65535))
                return std::nullopt;
            o.port = quint16(n);
        } else if (arg == QLatin1String("--usb-listen")) {
            if (!number(0, 65535))
                return std::nullopt;
            o.usbPort = quint16(n);
        } else if (arg == QLatin1String("--token")) {
            o.token = value;
            o.tokenGiven = true;
        } else if (arg == QLatin1String("--token-file")) {
            const auto token = readTokenFile(value);
            if (!token)
                return fail(QStringLiteral("cannot read token file %1").arg(value));
            o.token = *token;
            o.tokenGiven = true;
        } else if (arg == QLatin1String("--device-id")) {
            o.deviceId = value;
        } else if (arg == QLatin1String("--name")) {
            o.name = value;
        } else if (arg == QLatin1String("--model")) {
            o.model = value;
        } else if (arg == QLatin1String("--os")) {
            o.os = value;
        } else if (arg == QLatin1String("--protocol")) {
            if (!number(0, 1000000))
                return std::nullopt;
            o.protocolVersion = int(n);
        } else if (arg == QLatin1String("--size") || arg == QLatin1String("--stream-info")) {
            int w = 0, h = 0;
            if (!parseSize(value, &w, &h))
                return fail(QStringLiteral("%1: expected WxH, got \"%2\"").arg(arg, value));
            if (arg == QLatin1String("--size")) {
                o.width = w;
                o.height = h;
            } else {
                o.infoWidth = w;
                o.infoHeight = h;
            }
        } else if (arg == QLatin1String("--fps")) {
            if (!number(1, 240))
                return std::nullopt;
            o.fps = int(n);
        } else if (arg == QLatin1String("--bitrate")) {
            if (!number(10, 200000))
                return std::nullopt;
            o.bitrateKbps = int(n);
        } else if (arg == QLatin1String("--gop")) {
            if (!number(1, 100000))
                return std::nullopt;
            o.gopFrames = int(n);
        } else if (arg == QLatin1String("--duration-ms")) {
            if (!number(1, qint64(1) << 40))
                return std::nullopt;
            o.durationMs = n;
        } else if (arg == QLatin1String("--frames")) {
            if (!number(1, qint64(1) << 40))
                return std::nullopt;
            o.maxFrames = n;
        } else if (arg == QLatin1String("--pause-at-ms")) {
            if (!number(0, qint64(1) << 40))
                return std::nullopt;
            o.pauseAtMs = n;
        } else if (arg == QLatin1String("--pause-ms")) {
            if (!number(0, qint64(1) << 40))
                return std::nullopt;
            o.pauseMs = n;
        } else {
            return fail(QStringLiteral("unknown option %1").arg(arg));
        }
    }
    // 4:2:0 needs even sizes.
    if (o.width % 2 || o.height % 2 || o.width > 8192 || o.height > 8192)
        return fail(QStringLiteral("--size must be even and at most 8192x8192"));
    if ((o.pauseAtMs >= 0) != (o.pauseMs > 0))
        return fail(QStringLiteral("--pause-at-ms and --pause-ms go together"));
    if (o.infoWidth == 0) {
        o.infoWidth = o.width;
        o.infoHeight = o.height;
    }
    return o;
}
