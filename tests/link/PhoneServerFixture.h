#pragma once

#include "link/PhoneServer.h"
#include "tests/link/TestPhone.h"

#include <QObject>
#include <QString>

#include <memory>

// A listening PhoneServer with a pairing token, and phones to point at it.
class PhoneServerFixture : public QObject {
protected:
    static inline const QString currentToken = QStringLiteral("CurrentToken0123456789");
    static inline const QString oldToken = QStringLiteral("OldToken-abcdefghijklm");

    bool startServer();

    std::unique_ptr<TestPhone> lanPhone();
    // A phone on a tunnel the server has adopted; its PAIR_INFO is already taken off.
    std::unique_ptr<TestPhone> usbPhone();
    // Says HELLO with the current token and waits for WELCOME; returns the connection id, or
    // -1 when the phone was not welcomed.
    int sayHello(TestPhone& phone, const QString& deviceId);

    std::unique_ptr<PhoneServer> server;
};
