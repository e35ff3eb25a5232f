#pragma once

#include <QByteArray>

// Blocking loopback sockets for the load generators, which run on threads of their own so
// that the PC's event loop does nothing for them but serve.
namespace BlockingSocket {

inline constexpr int replyTimeoutMs = 5000;

// A connection to 127.0.0.1:`port` whose sends give up after the reply timeout; -1 on failure.
int dial(quint16 port);
bool sendAll(int socket, const QByteArray& bytes);
bool receiveAll(int socket, char* into, size_t size);
// True when the PC has closed the connection, gracefully or with a reset.
bool closedByPeer(int socket);
// HELLO as a phone that has scanned the QR code, then frames until WELCOME (true), REJECT or
// silence. `rejectCode` receives a REJECT's code.
bool handshake(int socket, const QByteArray& token, const QString& deviceId,
               QString* rejectCode = nullptr);

} // namespace BlockingSocket
