#include "controller/LanAddresses.h"

#include <QNetworkInterface>

#include <algorithm>

namespace {

// Names of hypervisor, container, loopback and Bluetooth adapters: a phone on the Wi-Fi cannot
// reach the PC through any of them.
const char* const virtualWords[] = {
    "WSL", "Hyper-V", "vEthernet", "VirtualBox", "VMware", "Docker", "Loopback", "Bluetooth",
};

// Linux names its adapters by kind: the bridges and virtual links of containers and virtual
// machines start with these. "br-" is Docker's per-network bridge, unlike a user's own "br0",
// which usually bridges the real Ethernet and is reachable.
const char* const virtualPrefixes[] = {
    "docker", "br-", "virbr", "vboxnet", "vmnet", "veth", "lxcbr", "lxdbr", "podman", "cni",
};

bool isPrivateLanAddress(const QHostAddress& address)
{
    if (address.protocol() != QAbstractSocket::IPv4Protocol || address.isLoopback())
        return false;
    const QString text = address.toString();
    return text.startsWith(QLatin1String("192.168.")) || text.startsWith(QLatin1String("10."))
        || text.startsWith(QLatin1String("172."));
}

int addressClass(const QString& candidate)
{
    if (candidate.startsWith(QLatin1String("192.168.")))
        return 0;
    if (candidate.startsWith(QLatin1String("10.")))
        return 1;
    return 2;
}

} // namespace

bool LanAddresses::isVirtual(const QString& name)
{
    return std::any_of(std::begin(virtualWords), std::end(virtualWords),
                       [&](const char* word) {
                           return name.contains(QLatin1String(word), Qt::CaseInsensitive);
                       })
        || std::any_of(std::begin(virtualPrefixes), std::end(virtualPrefixes),
                       [&](const char* prefix) { return name.startsWith(QLatin1String(prefix)); });
}

QStringList LanAddresses::pick(const QList<LanInterface>& interfaces, int bestIndex, int port)
{
    QString primary;
    QStringList secondary;
    for (const LanInterface& adapter : interfaces) {
        if (!adapter.up || !adapter.running || adapter.loopback)
            continue;
        const bool isBest = bestIndex != 0 && adapter.index == bestIndex;
        const bool isVirtualAdapter = isVirtual(adapter.name);
        for (const QHostAddress& address : adapter.addresses) {
            if (!isPrivateLanAddress(address))
                continue;
            const QString candidate = address.toString() + QLatin1Char(':') + QString::number(port);
            if (isBest && primary.isEmpty())
                primary = candidate;
            else if (!isVirtualAdapter)
                secondary.append(candidate);
        }
    }

    std::stable_sort(secondary.begin(), secondary.end(), [](const QString& a, const QString& b) {
        return addressClass(a) < addressClass(b);
    });

    QStringList result;
    if (!primary.isEmpty())
        result.append(primary);
    for (const QString& candidate : std::as_const(secondary)) {
        if (result.size() == maxCount)
            break;
        if (!result.contains(candidate))
            result.append(candidate);
    }
    return result;
}

QList<LanInterface> LanAddresses::system()
{
    QList<LanInterface> result;
    for (const QNetworkInterface& network : QNetworkInterface::allInterfaces()) {
        LanInterface adapter;
        adapter.name = network.humanReadableName();
        adapter.index = network.index();
        adapter.up = network.flags().testFlag(QNetworkInterface::IsUp);
        adapter.running = network.flags().testFlag(QNetworkInterface::IsRunning);
        adapter.loopback = network.flags().testFlag(QNetworkInterface::IsLoopBack);
        for (const QNetworkAddressEntry& entry : network.addressEntries())
            adapter.addresses.append(entry.ip());
        result.append(adapter);
    }
    return result;
}
