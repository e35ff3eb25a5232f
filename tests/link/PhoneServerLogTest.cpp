#include "link/PhoneLink.h"
#include "link/PhoneServer.h"
#include "tests/link/PhoneServerFixture.h"
#include "tests/link/TestPhone.h"

#include <QRegularExpression>
#include <QTest>

namespace {
QStringList logged;
void collect(QtMsgType, const QMessageLogContext&, const QString& message)
{
    logged.append(message);
}
} // namespace

// The lines the log gets for each phone that connects, is turned away or leaves.
class PhoneServerLogTest : public PhoneServerFixture {
    Q_OBJECT

    // The one logged line that matches `pattern`, waiting for it a little.
    static QString line(const QString& pattern, int timeoutMs = 1000)
    {
        const QRegularExpression re(pattern);
        QString found;
        const bool matched = QTest::qWaitFor(
            [&] {
                const auto it = std::find_if(logged.cbegin(), logged.cend(), [&](const QString& l) {
                    return re.match(l).hasMatch();
                });
                found = it != logged.cend() ? *it : QString();
                return it != logged.cend();
            },
            timeoutMs);
        return matched ? found : QString();
    }

private Q_SLOTS:
    void init()
    {
        logged.clear();
        qInstallMessageHandler(collect);
        QVERIFY(startServer());
    }
    void cleanup()
    {
        server.reset();
        qInstallMessageHandler(nullptr);
    }

    void connectAndByeOnTheLan()
    {
        auto phone = lanPhone();
        phone->sendJson(PhoneLink::HELLO,
                        {{"v", 1},
                         {"token", currentToken},
                         {"deviceId", "dev-A"},
                         {"name", "Ana\nVidlet: forged line"}});
        QVERIFY(phone->waitForType(PhoneLink::WELCOME));
        const QString port = QString::number(phone->socket.localPort());
        QCOMPARE(line("connected"),
                 "Vidlet: phone 1 connected over LAN from 127.0.0.1:" + port
                     + ": device \"dev-A\", name \"Ana?Vidlet: forged line\"");
        phone->send(PhoneLink::BYE, 0, {});
        QCOMPARE(line("disconnected"), QString("Vidlet: phone 1 disconnected: BYE"));
    }

    void rejectNamesItsCode()
    {
        auto phone = lanPhone();
        const QString port = QString::number(phone->socket.localPort());
        phone->sendHello("dev-B", "wrong");
        QVERIFY(phone->waitForClose());
        QCOMPARE(line("REJECT"),
                 "Vidlet: REJECT NEEDS_PAIR to 127.0.0.1:" + port + ": Scan the QR to pair");
        // It never was a phone of the roster. The server logs a close as it closes, and it
        // closed before the phone saw it.
        QVERIFY(line("disconnected", 0).isEmpty());
    }

    void duplicateAndClosedByThePhone()
    {
        auto first = lanPhone();
        QCOMPARE(sayHello(*first, "dev-C"), 1);
        auto second = lanPhone();
        QCOMPARE(sayHello(*second, "dev-C"), 2);
        QCOMPARE(line("phone 1 disconnected"),
                 QString("Vidlet: phone 1 disconnected: duplicate: replaced by the phone's newer "
                         "connection"));
        second->socket.disconnectFromHost();
        QCOMPARE(line("phone 2 disconnected"),
                 QString("Vidlet: phone 2 disconnected: closed by the phone"));
    }

    void usbPhoneSaysSo()
    {
        auto phone = usbPhone();
        QVERIFY(sayHello(*phone, "dev-D") > 0);
        QVERIFY(line("connected over USB from the USB tunnel: device \"dev-D\"").size() > 0);
    }
};

QTEST_GUILESS_MAIN(PhoneServerLogTest)
#include "PhoneServerLogTest.moc"
