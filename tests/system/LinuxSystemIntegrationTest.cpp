#include "system/SystemIntegration_linux.h"
#include "tests/system/ScratchMachine.h"

#include <QFile>
#include <QTest>

// The program's side on Linux: what it reads without root, and the helper it runs through
// pkexec (a stand-in that keeps the environment, so the helper works on the scratch root).
class LinuxSystemIntegrationTest : public QObject {
    Q_OBJECT

    QByteArray savedPath = qgetenv("PATH");

    static LinuxSystemIntegration system(const ScratchMachine& machine,
                                         const QString& helper = ScratchMachine::helperPath())
    {
        return LinuxSystemIntegration(machine.root().toStdString(), helper);
    }

    static void useStandIns(const ScratchMachine& machine)
    {
        qputenv("PATH", machine.bin().toUtf8());
        qputenv("VIDLET_REGTOOL_ROOT", machine.root().toUtf8());
    }

private slots:
    void cleanup()
    {
        qputenv("PATH", savedPath);
        qunsetenv("VIDLET_REGTOOL_ROOT");
    }

    void findsTheCameraByItsLabel_data()
    {
        QTest::addColumn<QByteArrayList>("names");
        QTest::addColumn<bool>("registered");
        QTest::newRow("no loopback devices") << QByteArrayList{} << false;
        QTest::newRow("another program's") << QByteArrayList{"OBS Virtual Camera"} << false;
        QTest::newRow("label as a prefix") << QByteArrayList{"Vidlet Camera 2"} << false;
        QTest::newRow("ours among others")
            << QByteArrayList{"OBS Virtual Camera", "Vidlet Camera"} << true;
    }

    void findsTheCameraByItsLabel()
    {
        QFETCH(QByteArrayList, names);
        QFETCH(bool, registered);
        ScratchMachine machine;
        for (int i = 0; i < names.size(); ++i)
            machine.addDevice(i, names.at(i));
        machine.write("sys/devices/virtual/video4linux/v4l-subdev0/name", "Vidlet Camera\n");
        QCOMPARE(system(machine).isCameraRegistered(), registered);
    }

    void pipewireCameraFollowsTheSessionSocket()
    {
        ScratchMachine machine;
        const QString socket = qEnvironmentVariable("XDG_RUNTIME_DIR") + "/pipewire-0";
        QVERIFY(!system(machine).hasPipewireCamera());
        QFile file(socket);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(system(machine).hasPipewireCamera());
        // PipeWire's own variable comes first.
        qputenv("PIPEWIRE_RUNTIME_DIR", machine.root().toUtf8());
        QVERIFY(!system(machine).hasPipewireCamera());
        qunsetenv("PIPEWIRE_RUNTIME_DIR");
        QFile::remove(socket);
    }

    void actionsRunTheHelperThroughPkexec()
    {
        ScratchMachine machine;
        useStandIns(machine);
        machine.write("etc/ufw/ufw.conf", "ENABLED=yes\n");
        machine.write("etc/ufw/user.rules", "*filter\n");
        LinuxSystemIntegration backend = system(machine);
        QVERIFY(backend.isInboundBlocked());
        QVERIFY(!backend.isCameraRegistered());

        backend.allowThroughFirewall();
        QVERIFY(machine.commands().contains("pkexec " + ScratchMachine::helperPath() + " --firewall"));
        QVERIFY(!backend.isInboundBlocked());

        backend.registerCamera();
        QVERIFY(backend.isCameraRegistered());
        backend.unregisterCamera();
        QVERIFY(!backend.isCameraRegistered());
        QCOMPARE(machine.commands().filter("pkexec").size(), 3);
    }

    void doesNothingWithoutTheHelper()
    {
        ScratchMachine machine;
        useStandIns(machine);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("vidlet-regtool not found"));
        system(machine, machine.path("vidlet-regtool")).registerCamera();
        QVERIFY(machine.commands().isEmpty());
    }

    void nothingIsBlockedWithoutAFirewallThatSaysSo_data()
    {
        QTest::addColumn<QByteArray>("ufwConf");
        QTest::addColumn<QByteArray>("userRules");
        QTest::addColumn<QByteArray>("defaults");
        QTest::newRow("ufw off") << QByteArray("ENABLED=no\n") << QByteArray("*filter\n")
                                 << QByteArray();
        QTest::newRow("ufw rules unreadable") << QByteArray("ENABLED=yes\n") << QByteArray()
                                              << QByteArray();
        QTest::newRow("ufw accepts by default")
            << QByteArray("ENABLED=yes\n") << QByteArray("*filter\n")
            << QByteArray("DEFAULT_INPUT_POLICY=\"ACCEPT\"\n");
        QTest::newRow("ufw allows a range")
            << QByteArray("ENABLED=\"yes\"\n")
            << QByteArray("### tuple ### allow any 8000:9000 0.0.0.0/0 any 0.0.0.0/0 in\n")
            << QByteArray();
        QTest::newRow("ufw denies only udp")
            << QByteArray("ENABLED=yes\n")
            << QByteArray("### tuple ### deny udp 8788 0.0.0.0/0 any 0.0.0.0/0 in\n"
                          "### tuple ### limit tcp 80,8788 0.0.0.0/0 any 0.0.0.0/0 in_eth0\n")
            << QByteArray();
    }

    void nothingIsBlockedWithoutAFirewallThatSaysSo()
    {
        QFETCH(QByteArray, ufwConf);
        QFETCH(QByteArray, userRules);
        QFETCH(QByteArray, defaults);
        ScratchMachine machine;
        useStandIns(machine);
        machine.write("etc/ufw/ufw.conf", ufwConf);
        if (!userRules.isEmpty())
            machine.write("etc/ufw/user.rules", userRules);
        if (!defaults.isEmpty())
            machine.write("etc/default/ufw", defaults);
        QVERIFY(!system(machine).isInboundBlocked());
    }

    void firewalldAnswersWithoutRoot()
    {
        ScratchMachine machine;
        useStandIns(machine);
        machine.write("firewalld/running", "");
        QVERIFY(system(machine).isInboundBlocked());
        machine.write("firewalld/runtime", "");
        QVERIFY(!system(machine).isInboundBlocked());
    }
};

QTEST_MAIN(LinuxSystemIntegrationTest)
#include "LinuxSystemIntegrationTest.moc"
