#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// Reads Linux's IPv4 routing table in the text form of /proc/net/route:
//
//   Iface  Destination  Gateway   Flags  RefCnt  Use  Metric  Mask      MTU  Window  IRTT
//   eth0   00000000     0102A8C0  0003   0       0    100     00000000  0    0       0
//
// Destination, gateway and mask are the address's four bytes as the kernel holds them in memory,
// printed as one native-endian hexadecimal number; flags are hexadecimal, the metric decimal.
namespace RouteTable {

// Name of the interface a packet to `address` leaves through: among the routes that are up and
// cover the address, the longest prefix wins, then the lowest metric. Empty when none covers it.
std::string interfaceFor(std::string_view table, std::array<std::uint8_t, 4> address);

} // namespace RouteTable
