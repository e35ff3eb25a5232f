#pragma once

#include "system/SystemIntegration.h"

#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>

#include <string>

// The camera is a v4l2loopback device labelled "Vidlet Camera"; the firewall is firewalld or
// ufw, read without root. The actions run the helper program through pkexec, which asks for an
// administrator's password with the text of the helper's polkit policy. The window goes on
// while pkexec waits for the password and the helper works; one action runs at a time.
class LinuxSystemIntegration : public SystemIntegration {
public:
    // `root` stands for "/" (empty on a real machine); `helper` is the helper program's path.
    LinuxSystemIntegration(std::string root, QString helper);

    bool isCameraRegistered() const override;
    bool isInboundBlocked() const override;
    void registerCamera(std::function<void()> done) override;
    void unregisterCamera(std::function<void()> done) override;
    void allowThroughFirewall(std::function<void()> done) override;

private:
    void runHelper(const QString& command, std::function<void()> done);

    std::string root;
    QString helper;
    QPointer<QProcess> running;
    // Context of the connections that report back to us: a helper still running when we go
    // finishes on its own, and nobody hears of it.
    QObject lifetime;
};
