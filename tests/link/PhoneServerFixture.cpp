#include "tests/link/PhoneServerFixture.h"

#include "link/PhoneLink.h"

#include <QSignalSpy>

bool PhoneServerFixture::startServer()
{
    server = std::make_unique<PhoneServer>();
    server->setPairingToken(currentToken);
    server->setPcName("DESK-7");
    return server->listen(0) && server->port() != 0;
}

std::unique_ptr<TestPhone> PhoneServerFixture::lanPhone()
{
    auto phone = std::make_unique<TestPhone>();
    if (!phone->connectTo(server->port()))
        return nullptr;
    return phone;
}

std::unique_ptr<TestPhone> PhoneServerFixture::usbPhone()
{
    auto phone = std::make_unique<TestPhone>();
    QTcpSocket* pcEnd = phone->openTunnel();
    if (!pcEnd)
        return nullptr;
    server->adoptUsbSocket(pcEnd);
    if (!phone->waitForFrames(1))
        return nullptr;
    phone->frames.clear();
    phone->received.clear();
    return phone;
}

int PhoneServerFixture::sayHello(TestPhone& phone, const QString& deviceId)
{
    QSignalSpy connected(server.get(), &PhoneServer::phoneConnected);
    const qsizetype before = phone.frames.size();
    phone.sendHello(deviceId, currentToken);
    // phoneConnected is emitted right after WELCOME is written.
    if (!phone.waitForFrames(before + 1) || phone.frames.last().type != PhoneLink::WELCOME
        || connected.isEmpty())
        return -1;
    return connected.last().at(0).toInt();
}
