// What the pairing code takes from the system and cannot choose: the routing table's text, the
// host name and the adapters with their names and addresses. From them it picks the addresses
// and builds the QR code's URI, and with it the image; the PC name must come back out of the URI
// unchanged. Drawing and compressing the image costs a hundred times more than the rest, so only
// inputs that ask for it go the whole way.
//
// Input: 4 bytes of address to route, 1 byte best interface index, 2 bytes port (little-
// endian), 1 byte whose low four bits all set ask for the image, then parts separated by zero bytes: the routing table, the host name, and one part
// per adapter: [flags: bit 0 up, bit 1 running, bit 2 loopback, bit 3 IPv6][index][address
// count], the addresses (4 or 16 bytes each), then the adapter's name.

#include "fuzz/FuzzApplication.h"
#include "controller/LanAddresses.h"
#include "controller/PairingData.h"
#include "controller/PairingPayload.h"
#include "system/RouteTable.h"

#include <QByteArrayList>
#include <QUrl>
#include <QUrlQuery>

#include <array>
#include <cstdint>
#include <cstdlib>

namespace {

LanInterface adapterFrom(const QByteArray& part)
{
    LanInterface adapter;
    if (part.size() < 3)
        return adapter;
    const quint8 flags = quint8(part[0]);
    adapter.up = flags & 1;
    adapter.running = flags & 2;
    adapter.loopback = flags & 4;
    adapter.index = quint8(part[1]);
    const int width = (flags & 8) ? 16 : 4;
    qsizetype pos = 3;
    for (int i = 0; i < (quint8(part[2]) & 7) && pos + width <= part.size(); ++i, pos += width) {
        const auto* bytes = reinterpret_cast<const quint8*>(part.constData() + pos);
        if (width == 4)
            adapter.addresses.append(
                QHostAddress(quint32(bytes[0] << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3])));
        else
            adapter.addresses.append(QHostAddress(bytes));
    }
    adapter.name = QString::fromUtf8(part.mid(pos));
    return adapter;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    startFuzzApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 8)
        return 0;
    const std::array<std::uint8_t, 4> destination{data[0], data[1], data[2], data[3]};
    const int bestIndex = data[4];
    const int port = data[5] | data[6] << 8;
    const QByteArrayList parts =
        QByteArray(reinterpret_cast<const char*>(data + 8), qsizetype(size - 8)).split('\0');
    const bool withImage = (data[7] & 0x0F) == 0x0F;

    const QByteArray& table = parts[0];
    RouteTable::interfaceFor(std::string_view(table.constData(), std::size_t(table.size())),
                             destination);

    const QString hostName = QString::fromUtf8(parts.value(1));
    QList<LanInterface> adapters;
    for (qsizetype i = 2; i < parts.size(); ++i)
        adapters.append(adapterFrom(parts[i]));

    const QString token = QStringLiteral("AAAAAAAAAAAAAAAAAAAAAA");
    QString payload;
    if (withImage) {
        const PairingData pairing =
            PairingData::compute(port, token, hostName, adapters, bestIndex, false);
        if (!pairing.qrDataUrl.isEmpty()
            && !pairing.qrDataUrl.startsWith(u"data:image/png;base64,"))
            std::abort();
        payload = pairing.payload;
    } else {
        const QStringList addresses = LanAddresses::pick(adapters, bestIndex, port);
        if (addresses.size() > LanAddresses::maxCount)
            std::abort();
        for (const LanInterface& adapter : std::as_const(adapters))
            LanAddresses::isVirtual(adapter.name);
        payload = PairingPayload::build(hostName, token, addresses);
    }
    const QUrlQuery query(QUrl(payload).query(QUrl::FullyEncoded));
    if (query.queryItemValue(QStringLiteral("pc"), QUrl::FullyDecoded) != hostName)
        std::abort();
    return 0;
}
