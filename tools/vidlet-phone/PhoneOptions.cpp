#include "tools/vidlet-phone/PhoneOptions.h"

#include "video/FrameLimits.h"

#include <QFile>

#include <algorithm>
#include <functional>
#include <iterator>
#include <utility>

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
        "  --cut-after-frames N       drop the connection in the middle of frame N + 1\n"
        "  --deaf-after-frames N      stop reading the connection after frame N, video going on\n"
        "  --jitter-ms N              hold each video message back by 0 to N ms, in order\n"
        "  --stall-ms N --stall-every-ms M   Wi-Fi power saving: no video arrives for N ms\n"
        "                             every M ms, then what it held arrives at once\n"
        "  --skew-ppm N               the phone's clock runs N parts per million fast (or slow,\n"
        "                             below 0) against the PC's\n"
        "  --no-bye                   end without saying BYE\n"
        "  --no-stamp                 leave the machine-readable stamp out of the picture\n"
        "  --verbose                  print what the PC sends\n"
        "  --help                     this text\n"
        "exit codes: 0 normal end, 1 bad arguments, 2 cannot connect or listen,\n"
        "            3 rejected by the PC, 4 connection lost or broken by the PC\n");
}

std::optional<PhoneOptions> PhoneOptions::parse(const QStringList& arguments, QString* error)
{
    using Set = std::function<void(PhoneOptions&, qint64)>;
    struct Number {
        const char* name;
        qint64 min;
        qint64 max;
        Set set;
    };
    constexpr qint64 kLong = qint64(1) << 40;
    const Number numbers[] = {
        {"--port", 1, 65535, [](PhoneOptions& o, qint64 n) { o.port = quint16(n); }},
        {"--usb-listen", 0, 65535, [](PhoneOptions& o, qint64 n) { o.usbPort = quint16(n); }},
        {"--protocol", 0, 1000000, [](PhoneOptions& o, qint64 n) { o.protocolVersion = int(n); }},
        {"--fps", 1, 240, [](PhoneOptions& o, qint64 n) { o.fps = int(n); }},
        {"--bitrate", 10, 200000, [](PhoneOptions& o, qint64 n) { o.bitrateKbps = int(n); }},
        {"--gop", 1, 100000, [](PhoneOptions& o, qint64 n) { o.gopFrames = int(n); }},
        {"--duration-ms", 1, kLong, [](PhoneOptions& o, qint64 n) { o.durationMs = n; }},
        {"--frames", 1, kLong, [](PhoneOptions& o, qint64 n) { o.maxFrames = n; }},
        {"--pause-at-ms", 0, kLong, [](PhoneOptions& o, qint64 n) { o.pauseAtMs = n; }},
        {"--pause-ms", 0, kLong, [](PhoneOptions& o, qint64 n) { o.pauseMs = n; }},
        {"--cut-after-frames", 1, kLong, [](PhoneOptions& o, qint64 n) { o.cutAfterFrames = n; }},
        {"--deaf-after-frames", 1, kLong, [](PhoneOptions& o, qint64 n) { o.deafAfterFrames = n; }},
        {"--jitter-ms", 0, 10000, [](PhoneOptions& o, qint64 n) { o.jitterMs = int(n); }},
        {"--stall-ms", 0, 10000, [](PhoneOptions& o, qint64 n) { o.stallMs = int(n); }},
        {"--stall-every-ms", 1, 3'600'000,
         [](PhoneOptions& o, qint64 n) { o.stallEveryMs = int(n); }},
        {"--skew-ppm", -100'000, 100'000, [](PhoneOptions& o, qint64 n) { o.skewPpm = int(n); }},
    };
    PhoneOptions o;
    const std::pair<const char*, QString*> texts[] = {
        {"--host", &o.host}, {"--device-id", &o.deviceId},
        {"--name", &o.name}, {"--model", &o.model},
        {"--os", &o.os},
    };
    const std::pair<const char*, bool*> flags[] = {
        {"--no-bye", &o.noBye},
        {"--no-stamp", &o.noStamp},
        {"--verbose", &o.verbose},
        {"--help", &o.help},
    };
    const auto fail = [error](const QString& message) {
        *error = message;
        return std::optional<PhoneOptions>();
    };

    for (int i = 1; i < arguments.size(); ++i) {
        const QString arg = arguments[i];
        const auto named = [&arg](const char* name) { return arg == QLatin1String(name); };
        if (const auto flag = std::find_if(std::begin(flags), std::end(flags),
                                           [&](const auto& f) { return named(f.first); });
            flag != std::end(flags)) {
            *flag->second = true;
            continue;
        }
        if (i + 1 >= arguments.size())
            return fail(QStringLiteral("%1 needs a value").arg(arg));
        const QString value = arguments[++i];

        if (const auto text = std::find_if(std::begin(texts), std::end(texts),
                                           [&](const auto& t) { return named(t.first); });
            text != std::end(texts)) {
            *text->second = value;
        } else if (const auto number = std::find_if(std::begin(numbers), std::end(numbers),
                                                    [&](const auto& n) { return named(n.name); });
                   number != std::end(numbers)) {
            qint64 n = 0;
            if (!parseInt(value, number->min, number->max, &n))
                return fail(QStringLiteral("%1: bad value \"%2\"").arg(arg, value));
            number->set(o, n);
        } else if (named("--token")) {
            o.token = value;
            o.tokenGiven = true;
        } else if (named("--token-file")) {
            const auto token = readTokenFile(value);
            if (!token)
                return fail(QStringLiteral("cannot read token file %1").arg(value));
            o.token = *token;
            o.tokenGiven = true;
        } else if (named("--size") || named("--stream-info")) {
            int w = 0, h = 0;
            if (!parseSize(value, &w, &h))
                return fail(QStringLiteral("%1: expected WxH, got \"%2\"").arg(arg, value));
            (named("--size") ? o.width : o.infoWidth) = w;
            (named("--size") ? o.height : o.infoHeight) = h;
        } else {
            return fail(QStringLiteral("unknown option %1").arg(arg));
        }
    }
    // 4:2:0 needs even sizes.
    if (o.width % 2 || o.height % 2 || o.width > FrameLimits::maxSide
        || o.height > FrameLimits::maxSide)
        return fail(
            QStringLiteral("--size must be even and at most %1x%1").arg(FrameLimits::maxSide));
    if ((o.pauseAtMs >= 0) != (o.pauseMs > 0))
        return fail(QStringLiteral("--pause-at-ms and --pause-ms go together"));
    if ((o.stallMs > 0) != (o.stallEveryMs > 0) || o.stallMs >= qMax(o.stallEveryMs, 1))
        return fail(QStringLiteral("--stall-ms and --stall-every-ms go together, the silence "
                                   "shorter than its cycle"));
    if (o.infoWidth == 0) {
        o.infoWidth = o.width;
        o.infoHeight = o.height;
    }
    return o;
}
