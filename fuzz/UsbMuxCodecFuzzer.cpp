// The usbmux codec fed what a misbehaving service might send: the input is a control
// connection's byte stream, arriving in pieces, framed and parsed message by message as the
// client does; each payload is also parsed alone. Framing must never keep more than it was
// given, and a message it cannot finish must always be missing bytes.

#include "usb/UsbMuxCodec.h"

#include <QVariantMap>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray stream(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const qsizetype piece = data[0] + 1;

    // The whole input as one payload, as a tunnel's single reply would be parsed.
    const QVariantMap whole = usbmux::parsePlist(stream);
    usbmux::isSuccess(whole);

    QByteArray buffer;
    QVariantMap message;
    for (qsizetype pos = 0; pos < stream.size(); pos += piece) {
        buffer += stream.mid(pos, piece);
        while (buffer.size() >= usbmux::kHeaderSize) {
            const qsizetype before = buffer.size();
            if (!usbmux::takeMessage(buffer, message)) {
                if (buffer.size() > before || usbmux::bytesMissing(buffer) <= 0)
                    std::abort();
                break;
            }
            if (buffer.size() >= before)
                std::abort();
            // What the client reads from each message.
            usbmux::isSuccess(message);
            message.value(QStringLiteral("DeviceID")).toInt();
            message.value(QStringLiteral("Properties"))
                .toMap()
                .value(QStringLiteral("ConnectionType"))
                .toString();
        }
    }
    return 0;
}
