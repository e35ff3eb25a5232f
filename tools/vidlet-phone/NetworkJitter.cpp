#include "tools/vidlet-phone/NetworkJitter.h"

NetworkJitter::NetworkJitter(int maxMs, unsigned seed)
    : random(seed),
      delayUsec(0, qint64(maxMs) * 1000)
{
}

qint64 NetworkJitter::arrivalUsec(qint64 madeUsec)
{
    lastUsec = qMax(lastUsec, madeUsec + delayUsec(random));
    return lastUsec;
}
