#pragma once

#include <QByteArray>

#include <atomic>
#include <thread>
#include <vector>

// What a phone holding the current token can try, from a thread of its own with blocking
// loopback sockets: HELLOs with ever new device ids of 60,000 characters; many connections,
// each paired under an id of its own, that start a 16 MiB video frame, send all of it but its
// last MiB and hold it; and a paired phone that flips its announced size between 5888x5888 and
// 64x64. Everything is held until stop(). `divisor` shrinks the counts (100 ids, 50 holders,
// 20 flips) for a short run.
class PairedAbuse {
public:
    PairedAbuse(quint16 port, const QByteArray& token, int divisor = 1);
    ~PairedAbuse();
    PairedAbuse(const PairedAbuse&) = delete;
    PairedAbuse& operator=(const PairedAbuse&) = delete;

    void start();
    bool done() const { return finished.load(); }
    void stop();

    struct Figures {
        int longIds = 0;
        int hoarders = 0;
        int longIdsWelcomed = 0;
        int hoardersWelcomed = 0;
        int hoardersBusy = 0;       // refused: as many phones as the PC takes are connected
        int hoardersClosedByPc = 0; // found closed when the load ended
        int sizeFlips = 0;
    };
    // Read after stop().
    const Figures& figures() const { return result; }

private:
    void run();

    const quint16 port;
    const QByteArray token;
    const int divisor;
    std::vector<int> held;
    int hoarders = 0;
    std::thread thread;
    std::atomic<bool> finished{false};
    Figures result;
};
