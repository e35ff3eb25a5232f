#include "link/FrameReader.h"

#include "link/PhoneLink.h"

#include <QtEndian>

#include <utility>

void FrameReader::append(const QByteArray& bytes)
{
    // Appending to an empty buffer shares the socket's block instead of copying it.
    buffer.append(bytes);
}

FrameReader::Status FrameReader::next(Frame& frame, quint32 limit)
{
    const qsizetype available = buffered();
    if (available < PhoneLink::headerSize) {
        dropConsumed();
        return Status::NeedMore;
    }
    const char* head = buffer.constData() + readPos;
    const quint32 length = qFromLittleEndian<quint32>(head + 2);
    if (length > limit)
        return Status::Oversized;
    if (available < PhoneLink::headerSize + qsizetype(length)) {
        dropConsumed();
        // Room for the whole frame at once: growing piece by piece would copy it several times
        // and hold up to twice its size. Its pages are only touched as its bytes arrive.
        buffer.reserve(PhoneLink::headerSize + qsizetype(length));
        return Status::NeedMore;
    }
    frame.type = quint8(head[0]);
    frame.flags = quint8(head[1]);
    if (readPos == 0 && available == PhoneLink::headerSize + qsizetype(length)) {
        // The buffer holds exactly this frame, as a large frame usually ends up: hand the
        // buffer over instead of copying it. Dropping the header only moves its start.
        frame.payload = std::exchange(buffer, QByteArray());
        frame.payload.remove(0, PhoneLink::headerSize);
        return Status::Frame;
    }
    frame.payload = QByteArray(head + PhoneLink::headerSize, length);
    readPos += PhoneLink::headerSize + length;
    if (readPos == buffer.size())
        dropConsumed();
    return Status::Frame;
}

bool FrameReader::peekType(quint8& type) const
{
    if (buffered() < PhoneLink::headerSize)
        return false;
    type = quint8(buffer.at(readPos));
    return true;
}

bool FrameReader::holdsWhole(quint8 type) const
{
    for (qsizetype at = readPos; buffer.size() - at >= PhoneLink::headerSize;) {
        const char* head = buffer.constData() + at;
        const qsizetype end = at + PhoneLink::headerSize + qFromLittleEndian<quint32>(head + 2);
        if (end > buffer.size())
            return false;
        if (quint8(head[0]) == type)
            return true;
        at = end;
    }
    return false;
}

// Frames are read by advancing `readPos`; the consumed prefix is dropped once per read
// rather than once per frame, and a fully consumed buffer gives its memory back.
void FrameReader::dropConsumed()
{
    if (readPos == buffer.size())
        buffer.clear();
    else if (readPos > 0)
        buffer.remove(0, readPos);
    readPos = 0;
}
