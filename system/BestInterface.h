#pragma once

// The network interface that carries traffic to the internet, so that the pairing code can put
// the address a phone on the same Wi-Fi most likely reaches first.
namespace BestInterface {

// Index of the interface the system would route 8.8.8.8 through, as QNetworkInterface::index()
// counts them; 0 when there is no such route. Only the routing table is consulted, nothing is sent.
int index();

} // namespace BestInterface
