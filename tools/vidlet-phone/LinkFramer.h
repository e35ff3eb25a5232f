#pragma once

#include <QByteArray>

#include <optional>

// The phone link's framing, seen from the phone:
//
//   offset  size    field
//   0       1       type
//   1       1       flags (VIDEO_FRAME: bit 0 = key frame)
//   2       4       payload length, little-endian, at most 16 MiB
//   6       length  payload
class LinkFramer {
public:
    enum Type : quint8 {
        Hello = 0x01,
        Welcome = 0x02,
        Reject = 0x03,
        PairInfo = 0x04,
        VideoConfig = 0x10,
        VideoFrame = 0x11,
        StreamInfo = 0x12,
        SetActive = 0x20,
        KeyframeRequest = 0x21,
        Ping = 0x30,
        Pong = 0x31,
        Bye = 0x40,
    };

    struct Frame {
        quint8 type = 0;
        quint8 flags = 0;
        QByteArray payload;
    };

    static constexpr quint32 kMaxPayload = 0x1000000;

    static QByteArray encode(quint8 type, quint8 flags, const QByteArray& payload);

    void append(const QByteArray& bytes) { buffer.append(bytes); }

    // The next whole frame, or empty while one is still arriving. Once a header announces more
    // than kMaxPayload the stream is broken and broken() stays true.
    std::optional<Frame> take();
    bool broken() const { return isBroken; }

private:
    QByteArray buffer;
    bool isBroken = false;
};
