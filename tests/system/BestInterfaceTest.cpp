#include "system/BestInterface.h"
#include "system/RouteTable.h"

#include <QFile>
#include <QNetworkInterface>
#include <QTest>

#include <string>

namespace {

const std::string header =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";

}

// The routing table is read the same on every architecture the program builds for, but its numbers
// are native-endian; the rows below are written for a little-endian machine.
class BestInterfaceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void findsTheRouteTo8888_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("expected");

        QTest::newRow("default route beside a LAN route")
            << "eth0\t00000000\t0102A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
               "eth0\t0002A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n"
            << "eth0";
        QTest::newRow("lowest metric wins among default routes")
            << "wlan0\t00000000\t0101A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
               "eth0\t00000000\t0102A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
               "usb0\t00000000\t0103A8C0\t0003\t0\t0\t700\t00000000\t0\t0\t0\n"
            << "eth0";
        QTest::newRow("a route that is down does not count")
            << "eth0\t00000000\t0102A8C0\t0002\t0\t0\t100\t00000000\t0\t0\t0\n"
               "wlan0\t00000000\t0101A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
            << "wlan0";
        QTest::newRow("a VPN's half-default routes take 8.8.8.8 over the default")
            << "eth0\t00000000\t0102A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
               "tun0\t00000000\t00000000\t0001\t0\t0\t0\t00000080\t0\t0\t0\n"
               "tun0\t00000080\t00000000\t0001\t0\t0\t0\t00000080\t0\t0\t0\n"
            << "tun0";
        QTest::newRow("a route to 128.0.0.0/1 does not cover 8.8.8.8")
            << "eth0\t00000000\t0102A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
               "tun0\t00000080\t00000000\t0001\t0\t0\t0\t00000080\t0\t0\t0\n"
            << "eth0";
        QTest::newRow("no default route")
            << "eth0\t0002A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n"
            << "";
        QTest::newRow("header only") << ""
                                     << "";
        QTest::newRow("broken rows are skipped")
            << "eth0\t00000000\n"
               "eth1\tZZZZZZZZ\t0102A8C0\t0003\t0\t0\t1\t00000000\t0\t0\t0\n"
               "eth2\t00000000\t0102A8C0\t0003\t0\t0\tx\t00000000\t0\t0\t0\n"
               "eth3\t00000000\t0102A8C0\t0003\t0\t0\t1\t1FFFFFFFF\t0\t0\t0\n"
               "\n"
               "eth4\t00000000\t0102A8C0\t0003\t0\t0\t50\t00000000\t0\t0\t0\n"
            << "eth4";
    }

    void findsTheRouteTo8888()
    {
        QFETCH(QString, rows);
        QFETCH(QString, expected);
        const std::string table = header + rows.toStdString();
        QCOMPARE(QString::fromStdString(RouteTable::interfaceFor(table, {8, 8, 8, 8})), expected);
    }

    void matchesAddressBytesInTheKernelsOrder()
    {
        const std::string table = header
            + "eth0\t00000000\t0102A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
              "wlan0\t0002A8C0\t00000000\t0001\t0\t0\t600\t00FFFFFF\t0\t0\t0\n";
        QCOMPARE(RouteTable::interfaceFor(table, {192, 168, 2, 77}), std::string("wlan0"));
        QCOMPARE(RouteTable::interfaceFor(table, {192, 168, 3, 77}), std::string("eth0"));
    }

    void indexNamesTheSameAdapterAsQt()
    {
        QFile file("/proc/net/route");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const std::string name =
            RouteTable::interfaceFor(file.readAll().toStdString(), {8, 8, 8, 8});
        if (name.empty())
            QSKIP("this machine has no route to the internet");
        QCOMPARE(BestInterface::index(),
                 QNetworkInterface::interfaceFromName(QString::fromStdString(name)).index());
        QVERIFY(BestInterface::index() > 0);
    }
};

QTEST_GUILESS_MAIN(BestInterfaceTest)
#include "BestInterfaceTest.moc"
