#include "tools/vidlet-phone/LinkFramer.h"

#include <QtEndian>

QByteArray LinkFramer::encode(quint8 type, quint8 flags, const QByteArray& payload)
{
    QByteArray frame(6, Qt::Uninitialized);
    frame[0] = char(type);
    frame[1] = char(flags);
    qToLittleEndian<quint32>(quint32(payload.size()), frame.data() + 2);
    frame.append(payload);
    return frame;
}

std::optional<LinkFramer::Frame> LinkFramer::take()
{
    if (isBroken || buffer.size() < 6)
        return std::nullopt;
    const quint32 length = qFromLittleEndian<quint32>(buffer.constData() + 2);
    if (length > kMaxPayload) {
        isBroken = true;
        buffer.clear();
        return std::nullopt;
    }
    if (quint64(buffer.size()) < quint64(length) + 6)
        return std::nullopt;
    Frame frame{quint8(buffer[0]), quint8(buffer[1]), buffer.mid(6, qsizetype(length))};
    buffer.remove(0, qsizetype(length) + 6);
    return frame;
}
