#include "tools/vidlet-phone/NetworkJitter.h"

NetworkJitter::NetworkJitter(int maxMs, int stallMs, int stallEveryMs, unsigned seed)
    : random(seed),
      delayUsec(0, qint64(maxMs) * 1000),
      stallUsec(qint64(stallMs) * 1000),
      stallEveryUsec(qint64(stallEveryMs) * 1000)
{
}

qint64 NetworkJitter::arrivalUsec(qint64 madeUsec)
{
    qint64 arrival = madeUsec + delayUsec(random);
    // The silences end each cycle: a frame that would arrive during one waits for its end.
    if (stallUsec > 0 && stallEveryUsec > stallUsec) {
        const qint64 intoCycle = arrival % stallEveryUsec;
        const qint64 silenceFrom = stallEveryUsec - stallUsec;
        if (intoCycle >= silenceFrom)
            arrival += stallEveryUsec - intoCycle;
    }
    lastUsec = qMax(lastUsec, arrival);
    return lastUsec;
}
