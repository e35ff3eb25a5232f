#pragma once

#include <QSize>
#include <QString>
#include <QVariantMap>

// One phone on the roster: a connection past its HELLO.
struct ConnectedPhone {
    int id = -1; // the phone server's connection id
    QString deviceId;
    QString name;      // as shown: the user's name for the device, else its own
    QString phoneName; // the phone's own name
    QString model;
    QString os;
    bool usb = false;
    QSize streamSize{-1, -1};   // the size it last announced; negative until then
    int streamFps = 30;         // the rate it last announced: the pacer's first guess
    QByteArray parameterSets{}; // its last VIDEO_CONFIG, for an Original recording

    bool hasStreamSize() const { return streamSize.width() >= 0 && streamSize.height() >= 0; }

    // As the window reads it.
    QVariantMap toVariant() const
    {
        return {{QStringLiteral("id"), id},       {QStringLiteral("deviceId"), deviceId},
                {QStringLiteral("name"), name},   {QStringLiteral("phoneName"), phoneName},
                {QStringLiteral("model"), model}, {QStringLiteral("os"), os},
                {QStringLiteral("usb"), usb}};
    }
};
