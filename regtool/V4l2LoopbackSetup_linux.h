#pragma once

#include "system/LoopbackDevices.h"

#include <string>
#include <vector>

class HelperLog;

// The camera side of the helper: a v4l2loopback device labelled loopbackCameraLabel, with
// exclusive capabilities (browsers list a device only when it announces capture alone), that
// comes back at every boot through a modules-load.d and a modprobe.d file of our own, and
// whose device a udev rule of ours gives to the user at the seat alone.
// Devices of other programs are never removed: where the loaded module cannot add or remove
// one device on its own (no control device before v4l2loopback 0.13), the helper says so in
// its log and exit code instead of reloading the module.
// Every path lies under `root`, which stands for "/" (empty on a real machine).
class V4l2LoopbackSetup {
public:
    V4l2LoopbackSetup(std::string root, std::string dataFolder, HelperLog& log);

    // Both return a HelperExit code.
    int registerCamera();
    int unregisterCamera();

private:
    std::string path(const char* absolute) const { return root + absolute; }
    std::vector<LoopbackDevice> devices() const;
    LoopbackDevice ownDevice() const;
    bool moduleLoaded() const;
    int loadModule();
    int addDevice();
    int removeDevice(const LoopbackDevice& device);
    void unloadModuleIfOurs();
    bool writeDeviceRule();
    void applyDeviceRule(int number);
    int writeBootConfiguration();
    void removeBootConfiguration();
    std::string otherModuleOptions() const;

    std::string root;
    std::string stateFile; // present while the module was loaded by us
    HelperLog& log;
};
