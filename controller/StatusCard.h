#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// The cards the camera shows while no live video flows, as BGR pictures of the camera's size.
class StatusCard {
public:
    // "Waiting for your phone", with the address phones pair at below it when there is one.
    static QImage idle(QSize size, const QString& address);
    // "Phone video paused": the active phone stopped sending.
    static QImage paused(QSize size);
};
