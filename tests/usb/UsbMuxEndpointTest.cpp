#include "usb/UsbMuxEndpoint.h"

#include <QDir>
#include <QFile>
#include <QTcpSocket>
#include <QTest>

#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using Peer = UsbMuxEndpoint::Peer;

// The pairing token goes down every tunnel, so a socket at the service's path is only used
// when the kernel says that root (or, for a service the user named, the user) listens on it.
class UsbMuxEndpointTest : public QObject {
    Q_OBJECT

    // Listens at `path` in a child process running as `uid`; returns the child, or -1.
    static pid_t listenAs(const QString& path, uid_t uid, int ready[2])
    {
        const pid_t child = fork();
        if (child != 0)
            return child;
        if (uid != 0 && (setresgid(uid, uid, uid) != 0 || setresuid(uid, uid, uid) != 0))
            _exit(99);
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, QFile::encodeName(path).constData(),
                     sizeof address.sun_path - 1);
        char ok = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
            && listen(fd, 4) == 0;
        if (write(ready[1], &ok, 1) != 1)
            _exit(98);
        const int peer = accept(fd, nullptr, nullptr);
        char byte = 0;
        if (peer >= 0)
            (void)!read(peer, &byte, 1); // until the test closes it
        _exit(0);
    }

private Q_SLOTS:
    void onlyATrustedServiceIsUsed_data()
    {
        QTest::addColumn<int>("owner");   // uid of the listener
        QTest::addColumn<bool>("system"); // the system's service (root only) or a named one
        QTest::addColumn<bool>("used");
        QTest::newRow("system service run by root") << 0 << true << true;
        QTest::newRow("system path taken by another user") << 65534 << true << false;
        QTest::newRow("named service of another user") << 65534 << false << false;
    }

    void onlyATrustedServiceIsUsed()
    {
        QFETCH(int, owner);
        QFETCH(bool, system);
        QFETCH(bool, used);
        if (geteuid() != 0)
            QSKIP("simulating a second user needs root");
        // The other user must reach the folder, so it cannot sit in the test's private one.
        QByteArray pattern = "/tmp/vidlet-mux-XXXXXX";
        QVERIFY(mkdtemp(pattern.data()));
        const QString folder = QString::fromLocal8Bit(pattern);
        QVERIFY(chmod(pattern.constData(), 0777) == 0);
        const QString path = folder + "/usbmuxd";
        int ready[2];
        QVERIFY(pipe(ready) == 0);
        const pid_t child = listenAs(path, uid_t(owner), ready);
        char ok = 0;
        QCOMPARE(read(ready[0], &ok, 1), ssize_t(1));
        QCOMPARE(ok, char(1));

        const UsbMuxEndpoint endpoint =
            UsbMuxEndpoint::unixSocket(path, system ? Peer::Root : Peer::RootOrSelf);
        QTcpSocket socket;
        if (!used)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("not by the system"));
        const auto opening = endpoint.open(socket);
        socket.abort();
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        close(ready[0]);
        close(ready[1]);
        QDir(folder).removeRecursively();
        QCOMPARE(opening == UsbMuxEndpoint::Opening::Connected, used);
    }
};

QTEST_GUILESS_MAIN(UsbMuxEndpointTest)
#include "UsbMuxEndpointTest.moc"
