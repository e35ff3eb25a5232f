#pragma once

#include <QtGlobal>

#include <random>

// A network that delivers each frame late by an amount drawn evenly between none and `maxMs`,
// from a fixed seed so that runs compare. Frames keep their order, as on one TCP connection: a
// frame held back holds back the ones behind it, which then arrive in a burst.
class NetworkJitter {
public:
    explicit NetworkJitter(int maxMs, unsigned seed = 19);

    // When a frame made at `madeUsec` reaches the PC, on the same clock.
    qint64 arrivalUsec(qint64 madeUsec);

private:
    std::mt19937 random;
    std::uniform_int_distribution<qint64> delayUsec;
    qint64 lastUsec = 0;
};
