#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// A throw-away folder that stands for "/" of a Linux machine, with stand-ins for modprobe,
// firewall-cmd, ufw (on PATH, in bin/) and pkexec (in usr/bin/) that act on it and record
// their arguments. The stand-ins
// follow the state the test lays out:
//   sys/module/v4l2loopback            the module is loaded
//   sys/devices/virtual/video4linux/   its devices, each with a name file
//   no-module                          modprobe fails to load it (not installed)
//   firewalld/                         firewalld runs; runtime and permanent mark the port open
//   etc/ufw/                           ufw's files
class ScratchMachine {
public:
    ScratchMachine();

    bool isValid() const { return valid; }
    QString root() const { return dir.path(); }
    QString path(const QString& relative) const { return dir.filePath(relative); }
    QString bin() const { return dir.filePath(QStringLiteral("bin")); }

    void write(const QString& relative, const QByteArray& content) const;
    QByteArray read(const QString& relative) const;
    bool exists(const QString& relative) const;
    void addDevice(int number, const QByteArray& name) const;

    // Every command the stand-ins ran, one per line, "modprobe -r v4l2loopback" and the like.
    QStringList commands() const;
    // Runs the helper built beside the tests on this machine; its exit code, -1 when it
    // could not be run.
    int runHelper(const QStringList& arguments) const;
    static QString helperPath();
    // An environment whose PATH holds the stand-ins only and whose helper works on this root.
    QProcessEnvironment environment() const;

    // A stand-in that records its arguments, then runs `body` (a shell script), in `folder`.
    void writeScript(const QString& name, const QByteArray& body,
                     const QString& folder = QStringLiteral("bin/")) const;

private:
    QTemporaryDir dir;
    bool valid = false;
};
