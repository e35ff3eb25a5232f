#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The real programs, started from the build's bin folder for end-to-end tests.

// Vidlet with a throw-away home, settings and log, on the offscreen platform.
class VidletProcess {
public:
    VidletProcess();
    ~VidletProcess();

    // Starts the program and waits until it listens for phones. False when it did not.
    bool start(const QStringList& arguments = {});
    // Before start(): the program meets the PipeWire of this process's session (a test's
    // private desktop) though its runtime folder is its own; PipeWire reads its own variable
    // first.
    void joinThisPipewire();
    // `arguments` and what keeps the program off the machine's port, token file and usbmux
    // service, for another Vidlet started in this one's environment.
    QStringList options(const QStringList& arguments) const;
    quint16 port() const { return listenPort; }
    QString token() const;
    // Everything the program logged so far.
    QString log();
    // The program's settings store.
    QString settingsFile() const
    {
        return home.filePath(QStringLiteral("config/Vidlet/Vidlet.ini"));
    }
    QProcess process;

private:
    QTemporaryDir home;
    QByteArray output;
    quint16 listenPort = 0;
};

// vidlet-phone on the LAN, paired with Vidlet's current token.
class PhoneProcess {
public:
    ~PhoneProcess();
    void start(const VidletProcess& vidlet, const QStringList& arguments);
    bool waitForExit(int timeoutMs);
    QProcess process;
};

QString binPath(const QString& program);
