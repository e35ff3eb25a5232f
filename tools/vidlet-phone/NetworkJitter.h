#pragma once

#include <QtGlobal>

#include <random>

// A Wi-Fi link as a phone meets it. It delivers each frame late by an amount drawn evenly
// between none and `maxMs`, from a fixed seed so that runs compare; and, as power saving does,
// it may fall silent for `stallMs` every `stallEveryMs`: what is sent meanwhile arrives at the
// end of the silence. Frames keep their order, as on one TCP connection: a frame held back
// holds back the ones behind it, which then arrive in a burst.
class NetworkJitter {
public:
    explicit NetworkJitter(int maxMs, int stallMs = 0, int stallEveryMs = 0, unsigned seed = 19);

    // When a frame made at `madeUsec` reaches the PC, on the same clock.
    qint64 arrivalUsec(qint64 madeUsec);

private:
    std::mt19937 random;
    std::uniform_int_distribution<qint64> delayUsec;
    qint64 stallUsec;
    qint64 stallEveryUsec;
    qint64 lastUsec = 0;
};
