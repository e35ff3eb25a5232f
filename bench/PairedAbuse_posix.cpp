#include "bench/PairedAbuse.h"

#include "bench/BlockingSocket.h"
#include "link/PhoneLink.h"

#include <QJsonObject>
#include <QString>

#include <unistd.h>

using namespace BlockingSocket;

namespace {

constexpr int kLongIds = 100;
constexpr int kHoarders = 50;
constexpr int kFlips = 20;

} // namespace

PairedAbuse::PairedAbuse(quint16 port, const QByteArray& token, int divisor)
    : port(port),
      token(token),
      divisor(divisor)
{
    result.longIds = kLongIds / divisor;
    result.hoarders = kHoarders / divisor;
}

PairedAbuse::~PairedAbuse()
{
    stop();
}

void PairedAbuse::start()
{
    thread = std::thread([this] { run(); });
}

void PairedAbuse::stop()
{
    if (thread.joinable())
        thread.join();
    for (std::size_t i = 0; i < held.size(); ++i) {
        if (int(i) < hoarders && closedByPeer(held[i]))
            ++result.hoardersClosedByPc;
        ::close(held[i]);
    }
    held.clear();
}

void PairedAbuse::run()
{
    const QString longTail(60000, QLatin1Char('x'));
    for (int i = 0; i < result.longIds; ++i) {
        const int socket = dial(port);
        if (socket >= 0 && handshake(socket, token, QString::number(i) + longTail))
            ++result.longIdsWelcomed;
        if (socket >= 0)
            ::close(socket);
    }

    const QByteArray unfinished =
        PhoneLink::header(PhoneLink::VIDEO_FRAME, 0, PhoneLink::maxPayload)
        + QByteArray(qsizetype(PhoneLink::maxPayload) - 1024 * 1024, 'v');
    for (int i = 0; i < result.hoarders; ++i) {
        const int socket = dial(port);
        if (socket < 0)
            continue;
        QString code;
        if (handshake(socket, token, QStringLiteral("hoarder-%1").arg(i), &code)) {
            ++result.hoardersWelcomed;
            sendAll(socket, unfinished); // fails once the PC has let this one go
        } else if (code == QLatin1String("BUSY")) {
            ++result.hoardersBusy;
        }
        held.push_back(socket);
    }
    hoarders = int(held.size());

    const int flipper = dial(port);
    if (flipper >= 0) {
        held.push_back(flipper);
        if (handshake(flipper, token, QStringLiteral("flipper"))) {
            for (int i = 0; i < kFlips / divisor; ++i) {
                const int side = i % 2 ? 64 : 5888;
                const QByteArray info =
                    PhoneLink::jsonPayload({{"width", side}, {"height", side}, {"fps", 30}});
                if (sendAll(flipper,
                            PhoneLink::header(PhoneLink::STREAM_INFO, 0, quint32(info.size()))
                                + info))
                    ++result.sizeFlips;
            }
        }
    }
    finished = true;
}
