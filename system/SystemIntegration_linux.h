#pragma once

#include "system/SystemIntegration.h"

#include <QString>

#include <string>

// The camera is a v4l2loopback device labelled "Vidlet Camera"; the firewall is firewalld or
// ufw, read without root. The actions run the helper program through pkexec, which asks for an
// administrator's password with the text of the helper's polkit policy.
class LinuxSystemIntegration : public SystemIntegration {
public:
    // `root` stands for "/" (empty on a real machine); `helper` is the helper program's path.
    LinuxSystemIntegration(std::string root, QString helper);

    bool isCameraRegistered() const override;
    bool hasPipewireCamera() const override;
    bool isInboundBlocked() const override;
    void registerCamera() override;
    void unregisterCamera() override;
    void allowThroughFirewall() override;

private:
    void runHelper(const QString& command);

    std::string root;
    QString helper;
};
