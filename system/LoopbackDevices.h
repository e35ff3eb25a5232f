#pragma once

#include "system/Product.h"

#include <string>
#include <vector>

// A v4l2loopback device as sysfs lists it: /dev/video<number>, labelled `name`.
struct LoopbackDevice {
    int number = -1;
    std::string name;
};

// The label the program gives its own loopback device; other programs find the camera by it.
inline constexpr const char* loopbackCameraLabel = Product::cameraName;

// Where the kernel lists the video devices that belong to no hardware, v4l2loopback's among them.
inline constexpr const char* kLoopbackSysfsFolder = "/sys/devices/virtual/video4linux";

// The devices listed under `sysfsFolder` (normally kLoopbackSysfsFolder), in no particular
// order; empty when the folder does not exist. Free of Qt: the elevated helper uses it too.
std::vector<LoopbackDevice> listLoopbackDevices(const std::string& sysfsFolder);

// The device labelled exactly `label`, or one with number -1 when there is none.
LoopbackDevice findLoopbackDevice(const std::string& sysfsFolder, const std::string& label);
