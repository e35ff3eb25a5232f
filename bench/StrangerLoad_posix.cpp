#include "bench/StrangerLoad.h"

#include "bench/BlockingSocket.h"
#include "bench/Percentile.h"
#include "link/PhoneLink.h"

#include <chrono>

#include <unistd.h>

namespace {

// A HELLO as large as a handshake may be, of which a stalled stranger sends all but the end: the
// most a waiting connection can make the PC hold.
constexpr quint32 kStalledHelloSize = 64 * 1024;
constexpr quint32 kStalledHelloSent = kStalledHelloSize - 4 * 1024;

} // namespace

using namespace BlockingSocket;

StrangerLoad::StrangerLoad(quint16 port, const QByteArray& token, int idle, int cycles)
    : port(port),
      token(token),
      idleCount(idle),
      cycleCount(cycles)
{
}

StrangerLoad::~StrangerLoad()
{
    stop();
}

void StrangerLoad::start()
{
    thread = std::thread([this] { run(); });
}

void StrangerLoad::stop()
{
    stopping = true;
    if (thread.joinable())
        thread.join();
    for (int socket : idleSockets) {
        if (closedByPeer(socket))
            ++result.idleClosedByPc;
        ::close(socket);
    }
    idleSockets.clear();
}

void StrangerLoad::run()
{
    const QByteArray stalled = PhoneLink::header(PhoneLink::HELLO, 0, kStalledHelloSize)
        + QByteArray(kStalledHelloSent, ' ');
    for (int i = 0; i < idleCount && !stopping; ++i) {
        const int socket = BlockingSocket::dial(port);
        if (socket < 0)
            continue;
        idleSockets.push_back(socket);
        // A PC that has already let this one go refuses the rest; it still counts as held.
        sendAll(socket, stalled);
    }
    result.idleOpened = int(idleSockets.size());

    std::vector<double> cycleMs;
    for (int i = 0; i < cycleCount && !stopping; ++i) {
        const auto begin = std::chrono::steady_clock::now();
        const int socket = BlockingSocket::dial(port);
        const bool welcomed =
            socket >= 0 && handshake(socket, token, QStringLiteral("load-%1").arg(i));
        if (socket >= 0)
            ::close(socket);
        if (welcomed) {
            ++result.cyclesWelcomed;
            cycleMs.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
                    .count());
        } else {
            ++result.cyclesFailed;
        }
    }
    result.cycleMsMedian = cycleMs.empty() ? 0 : percentile(cycleMs, 0.5);
    done = true;
}
