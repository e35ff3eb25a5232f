#pragma once

#include "link/PhoneLink.h"

#include <QByteArray>
#include <QtGlobal>

// Cuts a phone-link byte stream into frames (layout in PhoneLink.h). Bytes of an unfinished
// frame stay buffered until the rest arrives, so the buffer never holds more than one
// announced frame plus whatever arrived with its last piece.
class FrameReader {
public:
    struct Frame {
        quint8 type = 0;
        quint8 flags = 0;
        QByteArray payload; // an independent copy that the receiver may keep
    };

    enum class Status { Frame, NeedMore, Oversized };

    void append(const QByteArray& bytes);

    // Takes the next complete frame off the front. Oversized means the header at the front
    // announces more than `limit`; the stream cannot be trusted after that.
    Status next(Frame& frame, quint32 limit = PhoneLink::maxPayload);

    // The type of the frame at the front, once its header has arrived.
    bool peekType(quint8& type) const;
    // Whether a whole frame of `type` has arrived and waits to be taken.
    bool holdsWhole(quint8 type) const;

    qsizetype buffered() const { return buffer.size() - readPos; }

private:
    void dropConsumed();

    QByteArray buffer;
    qsizetype readPos = 0; // start of the first unread frame in `buffer`
};
