#pragma once

// The helper's exit codes, the same numbers as on Windows where the meaning carries over.
enum HelperExit {
    kExitOk = 0,
    kExitBadCommandLine = 1,
    kExitDataFolder = 3, // /var/lib/vidlet could not be created
    kExitModuleLoad = 5, // modprobe could not load v4l2loopback
    kExitDevice = 6,     // the camera device could not be added or removed
    kExitBootConfig = 7, // the camera would not come back after a restart
    kExitFirewall = 8,   // the firewall could not be updated
};
