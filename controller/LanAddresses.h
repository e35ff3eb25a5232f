#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>

// One network adapter as the pairing code sees it. Made from QNetworkInterface on a real system
// and by hand in tests, so the address rules can be checked without real adapters.
struct LanInterface {
    QString name; // human-readable, e.g. "Wi-Fi" or "VirtualBox Host-Only Network"
    int index = 0;
    bool up = false;
    bool running = false;
    bool loopback = false;
    QList<QHostAddress> addresses;
};

// The "address:port" texts a phone on the LAN may try, best first, at most four.
namespace LanAddresses {

constexpr int maxCount = 4;

// `bestIndex` is the interface the default route goes through (0: unknown). Its first private
// IPv4 address leads, even on a virtual adapter; the others follow from real adapters only,
// 192.168.x before 10.x before 172.x, each class in the order given.
QStringList pick(const QList<LanInterface>& interfaces, int bestIndex, int port);

// True when the adapter's name marks a virtual or otherwise unsuitable adapter: a Windows
// adapter name with one of the hypervisor words, or a Linux container or VM link ("docker0",
// "br-…", "virbr0", "vboxnet0", "vmnet8", "veth…").
bool isVirtual(const QString& name);

// The system's adapters, in the order it lists them.
QList<LanInterface> system();

} // namespace LanAddresses
