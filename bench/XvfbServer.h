#pragma once

#include <QProcess>
#include <QString>

// An X server of the benchmark's own, so that the real window is drawn as on a desktop without
// a graphics card: Qt Quick then renders through Mesa's software OpenGL. It stops with the
// object.
class XvfbServer {
public:
    ~XvfbServer();

    // The display's name (":N"), or empty when Xvfb is missing or does not come up.
    QString start();

private:
    QProcess server;
};
