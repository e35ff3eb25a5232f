#pragma once

#include "controller/LanAddresses.h"

// An adapter that is up and running, for building interface lists by hand.
inline LanInterface lanAdapter(const QString& name, int index, const QStringList& addresses)
{
    LanInterface result;
    result.name = name;
    result.index = index;
    result.up = true;
    result.running = true;
    for (const QString& address : addresses)
        result.addresses.append(QHostAddress(address));
    return result;
}
