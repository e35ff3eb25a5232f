// vidlet-phone: a command-line phone that pairs with Vidlet and streams a stamped test pattern.
#include "tools/vidlet-phone/PhoneOptions.h"
#include "tools/vidlet-phone/PhoneSimulator.h"
#include "tools/vidlet-phone/X264Encoder.h"

#include <QCoreApplication>

#include <cstdio>

extern "C" {
#include <libavutil/log.h>
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // libx264's banner and statistics would bury the lines tests and people look for.
    av_log_set_level(AV_LOG_ERROR);
    QString error;
    const auto options = PhoneOptions::parse(app.arguments(), &error);
    if (!options) {
        std::fprintf(stderr, "vidlet-phone: %s\n%s", error.toUtf8().constData(),
                     PhoneOptions::usage().toUtf8().constData());
        return PhoneSimulator::BadArguments;
    }
    if (options->help) {
        std::fputs(PhoneOptions::usage().toUtf8().constData(), stdout);
        return PhoneSimulator::Ok;
    }
    // Refuse settings libx264 cannot take before anything touches the network.
    X264Encoder probe;
    if (!probe.open(options->width, options->height, options->fps, options->bitrateKbps,
                    options->gopFrames))
        return PhoneSimulator::BadArguments;

    PhoneSimulator phone(*options);
    QObject::connect(&phone, &PhoneSimulator::finished, &app, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    if (!phone.start())
        return PhoneSimulator::CannotConnect;
    return app.exec();
}
