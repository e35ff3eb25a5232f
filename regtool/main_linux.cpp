// vidlet-regtool on Linux: the few machine-wide changes that need root, run by the program
// through pkexec. Exactly one argument: --register, --unregister, --firewall or --unfirewall.
// Its log is /var/lib/vidlet/regtool.log; the exit code says how it went (HelperExit).

#include "regtool/FirewallSetup_linux.h"
#include "regtool/HelperExit_linux.h"
#include "regtool/HelperLog_linux.h"
#include "regtool/V4l2LoopbackSetup_linux.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    if (argc != 2)
        return kExitBadCommandLine;
    const std::string command = argv[1];
    if (command != "--register" && command != "--unregister" && command != "--firewall"
        && command != "--unfirewall")
        return kExitBadCommandLine;

    // Tests point the helper at a scratch folder that stands for "/". pkexec clears the
    // environment, so an elevated run always works on the machine itself.
    const char* scratch = std::getenv("VIDLET_REGTOOL_ROOT");
    const std::string root = scratch ? scratch : "";
    const std::string dataFolder = root + "/var/lib/vidlet";
    const std::string logFile = dataFolder + "/regtool.log";

    HelperLog log;
    std::error_code ec;
    if (command == "--register") {
        fs::create_directories(dataFolder, ec);
        if (!fs::is_directory(dataFolder))
            return kExitDataFolder;
        log.setPath(logFile);
        return V4l2LoopbackSetup(root, dataFolder, log).registerCamera();
    }
    if (command == "--unregister") {
        log.setPath(logFile);
        const int result = V4l2LoopbackSetup(root, dataFolder, log).unregisterCamera();
        if (result == kExitOk) {
            // Nothing of ours is left: the log and its folder go too (the folder only if empty).
            log.clearPath();
            fs::remove(logFile, ec);
            fs::remove(dataFolder, ec);
        }
        return result;
    }
    fs::create_directories(dataFolder, ec);
    log.setPath(logFile);
    return command == "--firewall" ? openPhonePort(root, log) : closePhonePort(root, log);
}
