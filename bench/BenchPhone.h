#pragma once

#include "bench/StampedStream.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// A phone the benchmark controls to the microsecond: blocking sockets on a thread of its own,
// the stream's access units sent on a fixed schedule at about the stream's rate, and for each
// VIDEO_FRAME the steady-clock time at which one send() call hands all of it to the kernel.
// The messages are built before the schedule starts, so nothing else falls inside a frame's
// time.
//
// Over the LAN the phone dials the PC with the token from the QR code; over USB it listens
// as the phone app does, and the PC comes through the tunnel and speaks first with PAIR_INFO.
// Either way it pairs, waits to be made active, streams, lingers so the PC can show the last
// frames, says BYE and closes. With `jitterMs`, each frame leaves up to that much after its
// slot, as the phone simulator's --jitter-ms holds it back, and with `stallMs` nothing leaves
// for that long every `stallEveryMs` (--stall-ms); a frame's time is when it left.
class BenchPhone {
public:
    explicit BenchPhone(const StampedStream& stream, int jitterMs = 0, int stallMs = 0,
                        int stallEveryMs = 0);
    ~BenchPhone();
    BenchPhone(const BenchPhone&) = delete;
    BenchPhone& operator=(const BenchPhone&) = delete;

    void startLan(quint16 port, const QString& token);
    // The loopback port the tunnel must lead to, or 0 when the phone cannot listen.
    quint16 listenForTunnel();
    void startUsb();

    bool finished() const { return done.load(); }
    // Joins the phone's thread. False when the session failed; error() says why.
    bool wait();
    const std::string& error() const { return failure; }
    // Steady-clock nanoseconds per frame index; 0 for a frame not sent whole. Read after wait().
    const std::vector<std::int64_t>& sentNs() const { return sent; }

private:
    void run(bool usb);
    bool dial();
    bool acceptTunnel();
    bool handshake(bool usb);
    bool stream();
    bool sendAll(const QByteArray& bytes);
    bool readMessage(quint8& type, QByteArray& payload);
    void drainIncoming();
    bool fail(const std::string& why);

    const StampedStream& source;
    const int jitterMs;
    const int stallMs;
    const int stallEveryMs;
    std::vector<QByteArray> frameMessages;
    quint16 lanPort = 0;
    QString token;
    int listener = -1;
    int socket = -1;

    std::thread thread;
    std::atomic<bool> done{false};
    // Written by the phone's thread, read by others only after wait().
    std::vector<std::int64_t> sent;
    std::string failure;
};
