#include "system/LoopbackDevices.h"

#include <filesystem>
#include <fstream>

std::vector<LoopbackDevice> listLoopbackDevices(const std::string& sysfsFolder)
{
    namespace fs = std::filesystem;
    std::vector<LoopbackDevice> devices;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(sysfsFolder, ec)) {
        const std::string node = entry.path().filename().string();
        // "video" and a device number; anything else in the folder is not a video node.
        if (node.rfind("video", 0) != 0 || node.size() == 5 || node.size() > 14
            || node.find_first_not_of("0123456789", 5) != std::string::npos)
            continue;
        LoopbackDevice device;
        device.number = std::stoi(node.substr(5));
        std::ifstream file(entry.path() / "name");
        std::getline(file, device.name);
        devices.push_back(device);
    }
    return devices;
}

LoopbackDevice findLoopbackDevice(const std::string& sysfsFolder, const std::string& label)
{
    for (const LoopbackDevice& device : listLoopbackDevices(sysfsFolder)) {
        if (device.name == label)
            return device;
    }
    return {};
}
