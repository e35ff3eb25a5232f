#include "system/SystemIntegration_linux.h"
#include "tests/system/ScratchMachine.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

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

private Q_SLOTS:
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
        QTest::newRow("another program's") << QByteArrayList{"Another Virtual Camera"} << false;
        QTest::newRow("label as a prefix") << QByteArrayList{"Vidlet Camera 2"} << false;
        QTest::newRow("ours among others")
            << QByteArrayList{"Another Virtual Camera", "Vidlet Camera"} << true;
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

    // The system's pkexec, by its path: one planted on PATH is never run.
    void actionsRunTheHelperThroughPkexec()
    {
        ScratchMachine machine;
        useStandIns(machine);
        machine.writeScript("pkexec", "echo planted >> \"$ROOT/commands\"\n");
        machine.write("etc/ufw/ufw.conf", "ENABLED=yes\n");
        machine.write("etc/ufw/user.rules", "*filter\n");
        LinuxSystemIntegration backend = system(machine);
        QVERIFY(backend.isInboundBlocked());
        QVERIFY(!backend.isCameraRegistered());

        // Each action returns at once; the window hears of it when the helper is done.
        int done = 0;
        backend.allowThroughFirewall([&] { ++done; });
        QCOMPARE(done, 0);
        QTRY_COMPARE(done, 1);
        QVERIFY(
            machine.commands().contains("pkexec " + ScratchMachine::helperPath() + " --firewall"));
        QVERIFY(!backend.isInboundBlocked());

        backend.registerCamera([&] { ++done; });
        QTRY_COMPARE(done, 2);
        QVERIFY(backend.isCameraRegistered());
        backend.unregisterCamera([&] { ++done; });
        QTRY_COMPARE(done, 3);
        QVERIFY(!backend.isCameraRegistered());
        QCOMPARE(machine.commands().filter("pkexec").size(), 3);
        QVERIFY(!machine.commands().contains("planted"));
    }

    // Only a helper that no one but root could have changed is run as root.
    void runsOnlyAHelperThatRootAlonePlaced_data()
    {
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("why");
        QTest::newRow("missing") << QString() << "not found";
        QTest::newRow("writable by others") << "file 0757"
                                            << "can be changed by others";
        QTest::newRow("in a folder others write") << "folder 0777"
                                                  << "can be changed by others";
        QTest::newRow("another user's") << "owner 65534"
                                        << "does not belong to root";
    }

    void runsOnlyAHelperThatRootAlonePlaced()
    {
        QFETCH(QString, place);
        QFETCH(QString, why);
        ScratchMachine machine;
        useStandIns(machine);
        const QString folder = machine.path("helper");
        const QString copy = folder + "/vidlet-regtool";
        QVERIFY(QDir().mkpath(folder));
        if (!place.isEmpty()) {
            QVERIFY(QFile::copy(ScratchMachine::helperPath(), copy));
            const QStringList change = place.split(' ');
            const QByteArray target = QFile::encodeName(change[0] == "file" ? copy : folder);
            QCOMPARE(change[0] == "owner" ? ::chown(QFile::encodeName(copy), 65534, 65534)
                                          : ::chmod(target, mode_t(change[1].toUInt(nullptr, 8))),
                     0);
        }
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("not running .* as administrator: .*" + why));
        int done = 0;
        system(machine, copy).registerCamera([&] { ++done; });
        QCOMPARE(done, 1);
        QVERIFY(machine.commands().isEmpty());
    }

    void nothingIsBlockedWithoutAFirewallThatSaysSo_data()
    {
        QTest::addColumn<QByteArray>("ufwConf");
        QTest::addColumn<QByteArray>("userRules");
        QTest::addColumn<QByteArray>("defaults");
        QTest::newRow("ufw off") << QByteArray("ENABLED=no\n") << QByteArray("*filter\n")
                                 << QByteArray();
        QTest::newRow("ufw rules unreadable")
            << QByteArray("ENABLED=yes\n") << QByteArray() << QByteArray();
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
