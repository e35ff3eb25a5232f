#pragma once

#include <QByteArray>

#include <atomic>
#include <thread>
#include <vector>

// Load on the phone link from a thread of its own, with blocking loopback sockets, so that the
// PC's event loop does nothing for it but serve: `idle` connections that start a HELLO of the
// largest size a handshake may have, send all of it but its last 4 KiB and then nothing more,
// held until stop(); and `cycles` phones one after another that connect, say HELLO with the
// pairing token, wait for WELCOME and hang up.
class StrangerLoad {
public:
    StrangerLoad(quint16 port, const QByteArray& token, int idle, int cycles);
    ~StrangerLoad();
    StrangerLoad(const StrangerLoad&) = delete;
    StrangerLoad& operator=(const StrangerLoad&) = delete;

    void start();
    bool cyclesDone() const { return done.load(); }
    // Closes the idle connections and joins the thread.
    void stop();

    struct Figures {
        int idleOpened = 0;
        int idleClosedByPc = 0; // found closed by the PC when the load ended
        int cyclesWelcomed = 0;
        int cyclesFailed = 0;
        double cycleMsMedian = 0;
    };
    // Read after stop().
    const Figures& figures() const { return result; }

private:
    void run();

    const quint16 port;
    const QByteArray token;
    const int idleCount;
    const int cycleCount;
    std::vector<int> idleSockets;
    std::thread thread;
    std::atomic<bool> done{false};
    std::atomic<bool> stopping{false};
    Figures result;
};
