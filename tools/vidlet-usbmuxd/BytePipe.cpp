#include "tools/vidlet-usbmuxd/BytePipe.h"

#include "tools/vidlet-usbmuxd/AnySocket.h"

namespace {
constexpr qint64 kChunk = 64 * 1024;
constexpr qint64 kMaxQueued = 4 * 1024 * 1024;
} // namespace

BytePipe::BytePipe(QIODevice* a, QIODevice* b, QObject* parent)
    : QObject(parent),
      a(a),
      b(b)
{
    for (QIODevice* side : {a, b}) {
        QIODevice* other = side == a ? b : a;
        anysocket::limitReadBuffer(side, kMaxQueued);
        connect(side, &QIODevice::readyRead, this, [this, side, other] { pump(side, other); });
        connect(other, &QIODevice::bytesWritten, this, [this, side, other] { pump(side, other); });
        anysocket::onDisconnected(side, this, [this, side, other] { sideClosed(side, other); });
    }
    // Either side may already hold bytes that arrived before the pipe existed.
    pump(a, b);
    pump(b, a);
}

void BytePipe::pump(QIODevice* from, QIODevice* to)
{
    while (from->bytesAvailable() > 0 && to->bytesToWrite() < kMaxQueued) {
        if (to->write(from->read(kChunk)) < 0)
            return;
    }
}

void BytePipe::sideClosed(QIODevice* closed, QIODevice* other)
{
    // The pipe's work ends here. Letting go of both sides also keeps a side that is
    // destroyed later, as the child of the other, from calling into its half-destroyed sibling.
    disconnect(a, nullptr, this, nullptr);
    disconnect(b, nullptr, this, nullptr);
    while (closed->bytesAvailable() > 0)
        other->write(closed->read(kChunk));
    anysocket::closeGracefully(other);
}
