// The phone-link frame reader fed a byte stream in pieces of varying size. Whatever the pieces,
// it must hand out exactly the frames a whole-stream reading finds, in order, and stop at the
// first header that announces too much: more than the protocol allows, or, when the first
// byte's top bit is set, more than a small limit such as the one before HELLO.

#include "link/FrameReader.h"
#include "link/PhoneLink.h"

#include <QtEndian>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

struct Expected {
    quint8 type;
    quint8 flags;
    QByteArray payload;
};

// The frames in `stream` read the plain way; `oversized` tells whether reading ended at a
// header that announces too much.
std::vector<Expected> wholeStreamFrames(const QByteArray& stream, quint32 limit, bool& oversized)
{
    std::vector<Expected> frames;
    oversized = false;
    qsizetype pos = 0;
    while (stream.size() - pos >= PhoneLink::headerSize) {
        const quint32 length = qFromLittleEndian<quint32>(stream.constData() + pos + 2);
        if (length > limit) {
            oversized = true;
            break;
        }
        if (stream.size() - pos - PhoneLink::headerSize < qsizetype(length))
            break;
        frames.push_back({quint8(stream[pos]), quint8(stream[pos + 1]),
                          stream.mid(pos + PhoneLink::headerSize, length)});
        pos += PhoneLink::headerSize + length;
    }
    return frames;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    // The first byte seeds the piece sizes, the rest is the stream.
    std::uint32_t state = data[0] * 2654435761u + 1;
    const QByteArray stream(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    const quint32 limit = (data[0] & 0x80) ? 1024 : PhoneLink::maxPayload;
    bool expectOversized = false;
    const std::vector<Expected> expected = wholeStreamFrames(stream, limit, expectOversized);

    FrameReader reader;
    FrameReader::Frame frame;
    std::size_t seen = 0;
    bool oversized = false;
    for (qsizetype pos = 0; pos < stream.size() && !oversized;) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        const qsizetype piece = qsizetype(state % (data[0] + 1u)) + 1;
        reader.append(stream.mid(pos, piece));
        pos += piece;
        for (;;) {
            const FrameReader::Status status = reader.next(frame, limit);
            if (status == FrameReader::Status::NeedMore)
                break;
            if (status == FrameReader::Status::Oversized) {
                oversized = true;
                break;
            }
            if (seen >= expected.size() || frame.type != expected[seen].type
                || frame.flags != expected[seen].flags || frame.payload != expected[seen].payload)
                std::abort();
            ++seen;
        }
    }
    if (seen != expected.size() || oversized != expectOversized)
        std::abort();
    return 0;
}
