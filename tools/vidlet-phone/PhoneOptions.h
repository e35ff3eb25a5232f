#pragma once

#include "system/Product.h"

#include <QString>
#include <QStringList>

#include <optional>

// The command line of vidlet-phone.
struct PhoneOptions {
    // LAN mode connects to host:port; USB mode listens on usbPort as the phone app does.
    QString host = QStringLiteral("127.0.0.1");
    quint16 port = Product::phonePort;
    std::optional<quint16> usbPort;

    // Without --token or --token-file: an empty token on the LAN, PAIR_INFO's over USB.
    QString token;
    bool tokenGiven = false;
    QString deviceId = QStringLiteral("vidlet-phone-sim");
    QString name = QStringLiteral("Vidlet Phone");
    QString model = QStringLiteral("Simulator");
    QString os = QStringLiteral("1.0");
    int protocolVersion = 1;

    int width = 1280;
    int height = 720;
    int fps = 30;
    int bitrateKbps = 6000;
    int gopFrames = 60;
    // Size announced in STREAM_INFO; the encoded size unless told otherwise.
    int infoWidth = 0;
    int infoHeight = 0;

    // Both count from the first WELCOME. 0 means no limit.
    qint64 durationMs = 0;
    qint64 maxFrames = 0;
    qint64 pauseAtMs = -1;
    qint64 pauseMs = 0;
    // After this many frames the connection drops in the middle of the next one, as Wi-Fi
    // does; 0: never.
    qint64 cutAfterFrames = 0;
    // After this many frames the phone stops reading what the PC sends (its app hangs on the
    // way in) while its video goes on; 0: never.
    qint64 deafAfterFrames = 0;
    // Each video message reaches the PC late by up to this much, as over a busy Wi-Fi.
    int jitterMs = 0;
    // Wi-Fi power saving: the link falls silent for stallMs every stallEveryMs.
    int stallMs = 0;
    int stallEveryMs = 0;
    // The phone's clock runs this many parts per million fast (above 0) or slow against the PC's.
    int skewPpm = 0;

    bool noBye = false;
    bool noStamp = false; // the plain pattern, for pictures people look at
    bool verbose = false;
    bool help = false;

    // Empty optional and a message in *error when the arguments do not make sense.
    static std::optional<PhoneOptions> parse(const QStringList& arguments, QString* error);
    static QString usage();
};
