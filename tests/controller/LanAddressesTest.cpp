#include "controller/LanAddresses.h"
#include "tests/controller/LanAdapter.h"

#include <QTest>

Q_DECLARE_METATYPE(QList<LanInterface>)

class LanAddressesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void picksAddresses_data()
    {
        QTest::addColumn<QList<LanInterface>>("interfaces");
        QTest::addColumn<int>("bestIndex");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("best Wi-Fi first, then Ethernet")
            << QList{lanAdapter("Ethernet", 5, {"10.0.0.5"}),
                     lanAdapter("Wi-Fi", 3, {"192.168.1.20"})}
            << 3 << QStringList{"192.168.1.20:8788", "10.0.0.5:8788"};
        QTest::newRow("host-only VirtualBox adapter left out")
            << QList{lanAdapter("VirtualBox Host-Only Network", 7, {"192.168.56.1"}),
                     lanAdapter("Wi-Fi", 3, {"192.168.1.20"})}
            << 3 << QStringList{"192.168.1.20:8788"};
        QTest::newRow("virtual adapter that routes the internet leads with its first address")
            << QList{lanAdapter("Ethernet", 5, {"10.0.0.5"}),
                     lanAdapter("VirtualBox Host-Only Network", 7,
                                {"192.168.56.1", "192.168.56.2"})}
            << 7 << QStringList{"192.168.56.1:8788", "10.0.0.5:8788"};
        QTest::newRow("best on 10.x comes before a 192.168.x secondary")
            << QList{lanAdapter("Wi-Fi", 4, {"192.168.0.7"}),
                     lanAdapter("Ethernet", 2, {"10.1.2.3"})}
            << 2 << QStringList{"10.1.2.3:8788", "192.168.0.7:8788"};
        QTest::newRow("best adapter's further addresses join the secondaries")
            << QList{lanAdapter("Wi-Fi", 3, {"10.8.0.2", "192.168.1.20", "192.168.1.21"})} << 3
            << QStringList{"10.8.0.2:8788", "192.168.1.20:8788", "192.168.1.21:8788"};
        QTest::newRow("without a best adapter: 192.168, then 10, then 172, stable in each class")
            << QList{lanAdapter("A", 1, {"172.20.0.1"}),
                     lanAdapter("B", 2, {"10.0.0.6", "10.0.0.5"}),
                     lanAdapter("C", 3, {"192.168.1.5"})}
            << 0
            << QStringList{"192.168.1.5:8788", "10.0.0.6:8788", "10.0.0.5:8788", "172.20.0.1:8788"};
        QTest::newRow("best index 0 marks no adapter")
            << QList{lanAdapter("VMware Network Adapter VMnet8", 0, {"192.168.80.1"})} << 0
            << QStringList{};
        QTest::newRow("link-local, carrier-grade NAT, public, loopback and IPv6 never appear")
            << QList{lanAdapter("Ethernet", 2,
                                {"169.254.10.1", "100.64.0.1", "8.8.4.4", "11.0.0.1", "127.0.0.1",
                                 "fe80::1", "::ffff:192.168.1.9", "172.217.1.1"})}
            << 2 << QStringList{"172.217.1.1:8788"};
        QTest::newRow("five eligible addresses: the first four remain")
            << QList{lanAdapter("Wi-Fi", 3, {"192.168.1.20"}),
                     lanAdapter("Ethernet", 4, {"10.0.0.1", "10.0.0.2"}),
                     lanAdapter("Ethernet 2", 6, {"172.16.0.1", "192.168.2.2"})}
            << 3
            << QStringList{"192.168.1.20:8788", "192.168.2.2:8788", "10.0.0.1:8788",
                           "10.0.0.2:8788"};
        QTest::newRow("the same address on two adapters is listed once")
            << QList{lanAdapter("Wi-Fi", 3, {"192.168.1.20"}),
                     lanAdapter("Bridge", 9, {"192.168.1.20"})}
            << 3 << QStringList{"192.168.1.20:8788"};
        QTest::newRow("Linux container and VM links left out, a user's own bridge kept")
            << QList{lanAdapter("docker0", 3, {"172.17.0.1"}),
                     lanAdapter("br-4f2a9c1d7e00", 4, {"172.18.0.1"}),
                     lanAdapter("virbr0", 5, {"192.168.122.1"}),
                     lanAdapter("vboxnet0", 6, {"192.168.56.1"}),
                     lanAdapter("vmnet8", 7, {"192.168.80.1"}),
                     lanAdapter("veth9a8b7c6", 8, {"10.200.0.1"}),
                     lanAdapter("lxcbr0", 9, {"10.0.3.1"}),
                     lanAdapter("br0", 10, {"192.168.1.30"}),
                     lanAdapter("wlp2s0", 2, {"192.168.1.20"})}
            << 2 << QStringList{"192.168.1.20:8788", "192.168.1.30:8788"};
        QTest::newRow("no eligible address")
            << QList{lanAdapter("Wi-Fi", 3, {"169.254.3.3"})} << 3 << QStringList{};

        LanInterface down = lanAdapter("Ethernet", 2, {"192.168.1.2"});
        down.up = false;
        LanInterface notRunning = lanAdapter("Wi-Fi", 3, {"192.168.1.3"});
        notRunning.running = false;
        LanInterface loopback = lanAdapter("lo", 1, {"10.0.0.1"});
        loopback.loopback = true;
        QTest::newRow("down, disconnected and loopback adapters are skipped, even when best")
            << QList{down, notRunning, loopback, lanAdapter("Ethernet 2", 4, {"10.9.9.9"})} << 3
            << QStringList{"10.9.9.9:8788"};
    }

    void picksAddresses()
    {
        QFETCH(QList<LanInterface>, interfaces);
        QFETCH(int, bestIndex);
        QFETCH(QStringList, expected);
        QCOMPARE(LanAddresses::pick(interfaces, bestIndex, 8788), expected);
    }

    void writesTheGivenPort()
    {
        QCOMPARE(LanAddresses::pick({lanAdapter("Wi-Fi", 3, {"192.168.1.20"})}, 3, 40123),
                 QStringList{"192.168.1.20:40123"});
    }

    void recognisesVirtualAdapters_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("isVirtual");
        QTest::newRow("WSL") << "vEthernet (WSL)" << true;
        QTest::newRow("Hyper-V") << "Hyper-V Virtual Ethernet Adapter" << true;
        QTest::newRow("vEthernet, other case") << "VETHERNET (Default Switch)" << true;
        QTest::newRow("VirtualBox") << "virtualbox host-only network" << true;
        QTest::newRow("VMware") << "VMware Network Adapter VMnet1" << true;
        QTest::newRow("Docker") << "docker0" << true;
        QTest::newRow("Loopback") << "Loopback Pseudo-Interface 1" << true;
        QTest::newRow("Bluetooth") << "Bluetooth Network Connection" << true;
        QTest::newRow("Wi-Fi") << "Wi-Fi" << false;
        QTest::newRow("Ethernet") << "Ethernet 2" << false;
        QTest::newRow("Linux Wi-Fi") << "wlp2s0" << false;
    }

    void recognisesVirtualAdapters()
    {
        QFETCH(QString, name);
        QFETCH(bool, isVirtual);
        QCOMPARE(LanAddresses::isVirtual(name), isVirtual);
    }

    void readsTheSystemAdapters()
    {
        // Every machine has a loopback adapter, and it must arrive flagged so that pick() skips it.
        const QList<LanInterface> adapters = LanAddresses::system();
        const auto loopback =
            std::find_if(adapters.begin(), adapters.end(), [](const LanInterface& a) {
                return a.addresses.contains(QHostAddress(QHostAddress::LocalHost));
            });
        QVERIFY(loopback != adapters.end());
        QVERIFY(loopback->loopback);
        QVERIFY(loopback->up);
        QVERIFY(loopback->index > 0);
    }
};

QTEST_GUILESS_MAIN(LanAddressesTest)
#include "LanAddressesTest.moc"
