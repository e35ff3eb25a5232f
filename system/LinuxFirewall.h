#pragma once

#include "system/Product.h"

#include <string>

// The port phones connect to first (the program falls back to another only when it is taken).

// What the machine's firewall does with incoming phones on the phone port, as far as it can be read:
// firewalld through firewall-cmd, whose queries need no root (they go over D-Bus), and ufw
// through its own files, since its commands need root (ufw.conf is readable by everyone,
// user.rules on most systems by root only). Files are looked up under `root`, a folder that
// stands for "/" (empty on a real machine), and commands on PATH. Free of Qt: the elevated
// helper uses it too.
class LinuxFirewall {
public:
    enum class Verdict { Unknown, Open, Closed };

    explicit LinuxFirewall(std::string root = {});

    // firewalld's verdict for its running or its permanent configuration; Unknown when
    // firewalld is not running or not installed.
    Verdict firewalld(bool permanent) const;
    // Whether ufw is switched on (it then runs from boot).
    bool ufwEnabled() const;
    // ufw's verdict from its rules and default policy; Unknown when it is off or its rules
    // cannot be read.
    Verdict ufw() const;
    // The verdict of the first rule of ufw's that concerns the port, Unknown when none does.
    Verdict ufwRule() const;
    // True when a running firewall is known to turn phones away; false when nothing blocks
    // them or nobody can tell.
    bool isPortBlocked() const;

    // "8788/tcp", as both firewall-cmd and ufw write a port.
    static std::string portSpec();

private:
    std::string root;
};
