#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// A desktop session of the test's own: a session bus, PipeWire, WirePlumber and the desktop
// portal, all started in the test sandbox's folders (HOME, XDG_*, XDG_RUNTIME_DIR), with the
// camera permission already granted. Nothing of the machine's own session is touched: the bus
// address and the PipeWire socket live in the sandbox, and this process's environment points
// there so that the camera and the programs a test starts meet this session only.
class PrivateDesktop {
public:
    ~PrivateDesktop();

    // False, with why(), when a part did not come up within its deadline.
    bool start();
    // Stops PipeWire and WirePlumber; true once the daemon's socket is gone.
    bool stopPipewire();
    // Stops them (when they run) and starts them again, as an update or a user's
    // `systemctl --user restart pipewire` does; true once the new daemon's socket is there.
    bool restartPipewire();
    QString why() const { return failure; }
    // Ends `process` when the test process ends, however it ends. Call before starting it.
    static void endWithTheTest(QProcess& process);
    // The program's path, or empty when its Debian package is not installed.
    static QString find(const QString& program);
    // Runs a PipeWire or GLib command line tool in the session; its standard output, empty
    // after a failure or its deadline.
    static QByteArray run(const QString& program, const QStringList& arguments,
                          int timeoutMs = 10000);
    // The id of the node named `nodeName`, or -1 while there is none.
    static int nodeId(const QString& nodeName);
    // Its serial, which, unlike the id, PipeWire never gives to another object: the same
    // serial is the same node. -1 while there is none.
    static qint64 nodeSerial(const QString& nodeName);

private:
    QProcess* launch(const QString& program, const QStringList& arguments);
    QProcess* started(const QString& program) const;
    bool fail(const QString& why);
    // The pw-dump entry of the node named `nodeName`, or an empty one.
    static QJsonObject node(const QString& nodeName);

    std::vector<std::unique_ptr<QProcess>> processes; // stopped in reverse order
    QString failure;
};
