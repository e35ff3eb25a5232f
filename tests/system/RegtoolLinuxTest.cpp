#include "tests/system/ScratchMachine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>

// vidlet-regtool on Linux, run as a process against a scratch root with stand-in commands.
class RegtoolLinuxTest : public QObject {
    Q_OBJECT

    static constexpr const char* kDevices = "sys/devices/virtual/video4linux";
    static constexpr const char* kModulesLoad = "etc/modules-load.d/vidlet.conf";
    static constexpr const char* kModprobe = "etc/modprobe.d/vidlet.conf";
    static constexpr const char* kRule = "etc/udev/rules.d/70-vidlet-camera.rules";
    static constexpr const char* kLog = "var/lib/vidlet/regtool.log";

    static QString device(int number)
    {
        return QStringLiteral("%1/video%2/name").arg(kDevices).arg(number);
    }

private Q_SLOTS:
    // Only the tests' copy can be pointed at another "/"; the installed one reads no such
    // variable, whoever starts it.
    void onlyTheTestBuildTakesAScratchRoot()
    {
        const auto mentionsRoot = [](const QString& program) {
            QFile file(program);
            return file.open(QIODevice::ReadOnly) && file.readAll().contains("VIDLET_REGTOOL_ROOT");
        };
        QVERIFY(mentionsRoot(ScratchMachine::helperPath()));
        QVERIFY(!mentionsRoot(QFileInfo(ScratchMachine::helperPath()).path() + "/vidlet-regtool"));
    }

    void refusesAnythingButOneCommand_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("none") << QStringList{};
        QTest::newRow("two") << QStringList{"--register", "--firewall"};
        QTest::newRow("other case") << QStringList{"--Register"};
        QTest::newRow("unknown") << QStringList{"--help"};
    }

    void refusesAnythingButOneCommand()
    {
        QFETCH(QStringList, arguments);
        ScratchMachine machine;
        QVERIFY(machine.isValid());
        QCOMPARE(machine.runHelper(arguments), 1);
        QVERIFY(!machine.exists("var/lib/vidlet"));
        QVERIFY(machine.commands().isEmpty());
    }

    void registersOnceAndUnregistersWhatItMade_data()
    {
        QTest::addColumn<bool>("moduleLoaded");
        QTest::addColumn<QStringList>("loading");
        const QString load = "modprobe v4l2loopback devices=1 exclusive_caps=1 "
                             "card_label=Vidlet Camera";
        QTest::newRow("module not loaded") << false << QStringList{load};
        // Loaded without devices and without a control device: reloading harms nobody.
        QTest::newRow("module loaded, empty")
            << true << QStringList{"modprobe -r v4l2loopback", load};
    }

    void registersOnceAndUnregistersWhatItMade()
    {
        QFETCH(bool, moduleLoaded);
        QFETCH(QStringList, loading);
        ScratchMachine machine;
        if (moduleLoaded)
            machine.write("sys/module/v4l2loopback/version", "0.12.7\n");
        machine.write("etc/modprobe.d/alsa.conf", "options snd-hda-intel index=0\n");

        QCOMPARE(machine.runHelper({"--register"}), 0);
        QCOMPARE(machine.read(device(9)), QByteArray("Vidlet Camera\n"));
        // The device is the seat user's alone: the rule is in place before it is made, and
        // the device takes it at once.
        const QStringList applied{"udevadm control --reload",
                                  "udevadm trigger --action=change --settle "
                                  "/sys/class/video4linux/video9"};
        QCOMPARE(machine.commands(), loading + applied);
        QVERIFY(machine.read(kRule).endsWith(
            "\nSUBSYSTEM==\"video4linux\", ATTR{name}==\"Vidlet Camera\", OWNER=\"root\", "
            "GROUP=\"root\", MODE=\"0600\", TAG+=\"uaccess\"\n"));
        QVERIFY(machine.read(kModulesLoad).endsWith("\nv4l2loopback\n"));
        QVERIFY(machine.read(kModprobe).endsWith(
            "\noptions v4l2loopback devices=1 exclusive_caps=1 card_label=\"Vidlet Camera\"\n"));
        QVERIFY(machine.read(kLog).contains("registered"));

        QCOMPARE(machine.runHelper({"--register"}), 0);
        // The camera is there: nothing to load, the rule applied again.
        QCOMPARE(machine.commands(), loading + applied + applied);

        QCOMPARE(machine.runHelper({"--unregister"}), 0);
        QCOMPARE(machine.commands().constLast(), QStringLiteral("modprobe -r v4l2loopback"));
        QVERIFY(!machine.exists(device(9)));
        QVERIFY(!machine.exists(kModulesLoad));
        QVERIFY(!machine.exists(kModprobe));
        QVERIFY(!machine.exists(kRule));
        QVERIFY(!machine.exists("var/lib/vidlet"));
        QVERIFY(machine.exists("etc/modprobe.d/alsa.conf"));
    }

    // Without udev running (a container) the camera is still registered; the log says that
    // the device keeps the system's permissions until the rule applies at the next boot.
    void aDeviceRuleThatCannotApplyIsReported()
    {
        ScratchMachine machine;
        machine.write("no-udev", "");
        QCOMPARE(machine.runHelper({"--register"}), 0);
        QVERIFY(machine.exists(kRule));
        QVERIFY(machine.read(kLog).contains(
            "udevadm control failed (exit 1): /dev/video9 keeps its permissions until the next "
            "boot"));
    }

    // Run by pkexec with the caller's umask 000 and with links left in its data folder (made
    // writable by an older helper): what root writes is 0644 in 0755 folders, and no link
    // makes it write to another file.
    void writesRootsFilesSafelyWhateverTheCallerLeft()
    {
        ScratchMachine machine;
        machine.write("victim", "precious\n");
        QVERIFY(QDir().mkpath(machine.path("var/lib/vidlet")));
        QVERIFY(QFile::setPermissions(machine.path("var/lib/vidlet"), QFile::Permissions(0x7777)));
        QVERIFY(QFile::link(machine.path("victim"), machine.path("var/lib/vidlet/module-loaded")));
        QVERIFY(QFile::link(machine.path("victim"), machine.path(kLog)));
        const mode_t saved = umask(0);
        const int exit = machine.runHelper({"--register"});
        umask(saved);
        QCOMPARE(exit, 0);
        QCOMPARE(machine.read("victim"), QByteArray("precious\n"));
        QVERIFY(!QFileInfo(machine.path("var/lib/vidlet/module-loaded")).isSymLink());
        const auto mode = [&](const char* relative) {
            struct stat st {};
            return lstat(QFile::encodeName(machine.path(relative)).constData(), &st) == 0
                ? st.st_mode & 07777
                : mode_t(-1);
        };
        QCOMPARE(mode(kModprobe), mode_t(0644));
        QCOMPARE(mode(kModulesLoad), mode_t(0644));
        QCOMPARE(mode("etc/modprobe.d"), mode_t(0755));
        QCOMPARE(mode("var/lib/vidlet"), mode_t(0755));
        QCOMPARE(mode("var/lib/vidlet/module-loaded"), mode_t(0644));
    }

    // A FIFO where the log belongs, nobody reading it: every command still runs to its end.
    void aFifoForALogHoldsNoCommand_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("register") << "--register";
        QTest::newRow("unregister") << "--unregister";
        QTest::newRow("firewall") << "--firewall";
    }

    void aFifoForALogHoldsNoCommand()
    {
        QFETCH(QString, command);
        ScratchMachine machine;
        QVERIFY(QDir().mkpath(machine.path("var/lib/vidlet")));
        QCOMPARE(mkfifo(QFile::encodeName(machine.path(kLog)).constData(), 0644), 0);
        QCOMPARE(machine.runHelper({command}), 0);
    }

    void neverRemovesTheCamerasOfOtherPrograms()
    {
        ScratchMachine machine;
        machine.write("sys/module/v4l2loopback/version", "0.12.7\n");
        machine.addDevice(0, "Another Virtual Camera");

        // Without a control device only a reload could add ours, and it would take theirs.
        QCOMPARE(machine.runHelper({"--register"}), 6);
        QVERIFY(machine.read(kLog).contains("without its control device /dev/v4l2loopback"));
        QVERIFY(machine.commands().isEmpty());
        QVERIFY(!machine.exists(kModprobe));

        // Ours made by an earlier run with theirs beside it: removing ours would take theirs.
        machine.addDevice(9, "Vidlet Camera");
        machine.write(kModulesLoad, "v4l2loopback\n");
        machine.write(kModprobe, "options v4l2loopback card_label=\"Vidlet Camera\"\n");
        QCOMPARE(machine.runHelper({"--unregister"}), 6);
        QVERIFY(machine.read(kLog).contains("of another program"));
        QVERIFY(machine.commands().isEmpty());
        QCOMPARE(machine.read(device(0)), QByteArray("Another Virtual Camera\n"));
        // The boot configuration is ours alone and goes all the same.
        QVERIFY(!machine.exists(kModulesLoad));
        QVERIFY(!machine.exists(kModprobe));
    }

    void saysWhatKeepsTheCameraFromComingBack()
    {
        ScratchMachine machine;
        machine.write("etc/modprobe.d/obs.conf", "options v4l2loopback devices=1\n");
        QCOMPARE(machine.runHelper({"--register"}), 7);
        QVERIFY(machine.exists(device(9))); // there until the next restart
        QVERIFY(machine.read(kLog).contains("obs.conf sets v4l2loopback options already"));
        QVERIFY(!machine.exists(kModprobe));
    }

    void saysWhenTheModuleIsMissing()
    {
        ScratchMachine machine;
        machine.write("no-module", "");
        QCOMPARE(machine.runHelper({"--register"}), 5);
        QVERIFY(machine.read(kLog).contains("is v4l2loopback installed?"));
        QVERIFY(!machine.exists(kModulesLoad));
    }

    void opensAndClosesThePortOfTheFirewallThatIsOn_data()
    {
        QTest::addColumn<QByteArray>("setup");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("opening");
        QTest::addColumn<QStringList>("closing");
        const QStringList noFirewalld{"firewall-cmd --query-port=8788/tcp",
                                      "firewall-cmd --permanent --query-port=8788/tcp"};
        QTest::newRow("firewalld")
            << QByteArray("firewalld") << 0
            << QStringList{"firewall-cmd --query-port=8788/tcp",
                           "firewall-cmd --add-port=8788/tcp",
                           "firewall-cmd --query-port=8788/tcp",
                           "firewall-cmd --permanent --query-port=8788/tcp",
                           "firewall-cmd --permanent --add-port=8788/tcp",
                           "firewall-cmd --permanent --query-port=8788/tcp"}
            << QStringList{"firewall-cmd --remove-port=8788/tcp",
                           "firewall-cmd --permanent --remove-port=8788/tcp"};
        // An administrator opened the port already: the helper has nothing to open, and so
        // nothing to close.
        QTest::newRow("firewalld, opened by the administrator")
            << QByteArray("firewalld admin") << 0
            << QStringList{"firewall-cmd --query-port=8788/tcp",
                           "firewall-cmd --permanent --query-port=8788/tcp"}
            << QStringList{};
        QTest::newRow("ufw") << QByteArray("ufw") << 0
                             << noFirewalld + QStringList{"ufw allow 8788/tcp comment Vidlet"}
                             << QStringList{"ufw delete allow 8788/tcp"};
        // ufw applies the first rule that matches: an allow rule after a deny rule is no use.
        QTest::newRow("ufw denies first")
            << QByteArray("ufw deny") << 8
            << noFirewalld + QStringList{"ufw allow 8788/tcp comment Vidlet"} << QStringList{};
        QTest::newRow("none") << QByteArray() << 0 << noFirewalld << QStringList{};
    }

    void opensAndClosesThePortOfTheFirewallThatIsOn()
    {
        QFETCH(QByteArray, setup);
        QFETCH(int, exitCode);
        QFETCH(QStringList, opening);
        QFETCH(QStringList, closing);
        ScratchMachine machine;
        const bool firewalld = setup.startsWith("firewalld");
        const bool theirs = setup.endsWith("admin");
        if (firewalld)
            machine.write("firewalld/running", "");
        if (theirs) {
            machine.write("firewalld/runtime", "");
            machine.write("firewalld/permanent", "");
        }
        if (setup.startsWith("ufw")) {
            machine.write("etc/ufw/ufw.conf", "ENABLED=yes\n");
            machine.write("etc/default/ufw", "DEFAULT_INPUT_POLICY=\"DROP\"\n");
            machine.write("etc/ufw/user.rules",
                          setup.endsWith("deny")
                              ? "### tuple ### deny any 8000:9000 0.0.0.0/0 any 0.0.0.0/0 in\n"
                              : "*filter\n");
        }

        QCOMPARE(machine.runHelper({"--firewall"}), exitCode);
        QCOMPARE(machine.commands(), opening);
        if (firewalld)
            QVERIFY(machine.exists("firewalld/runtime") && machine.exists("firewalld/permanent"));
        QVERIFY(machine.read(kLog).contains(exitCode == 0 ? "firewall rules updated"
                                                          : "firewall update failed"));
        if (exitCode != 0)
            return;

        QCOMPARE(machine.runHelper({"--firewall"}), 0); // open already: nothing changes
        QCOMPARE(machine.commands().filter(QRegularExpression("add-port|allow")).size(),
                 setup.isEmpty() || theirs ? 0 : (firewalld ? 2 : 1));

        const int before = int(machine.commands().size());
        QCOMPARE(machine.runHelper({"--unfirewall"}), 0);
        QCOMPARE(machine.commands().mid(before).filter(QRegularExpression("remove|delete")),
                 closing);
        QCOMPARE(machine.exists("firewalld/runtime"), theirs);
        QCOMPARE(machine.exists("firewalld/permanent"), theirs);
    }
};

QTEST_MAIN(RegtoolLinuxTest)
#include "RegtoolLinuxTest.moc"
