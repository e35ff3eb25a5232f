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

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The data folder holds what the helper writes as root. It must be a real folder of root's that
// nobody else can write, or a file planted in it could redirect root's writes.
bool ownDataFolder(const std::string& folder)
{
    ::mkdir(folder.c_str(), 0755);
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    // Left writable by an older helper run under a permissive umask.
    return (st.st_mode & 022) == 0 || ::chmod(folder.c_str(), 0755) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    // pkexec passes the caller's umask on; what root creates here is for everyone to read and
    // for root alone to change.
    ::umask(022);
    if (argc != 2)
        return kExitBadCommandLine;
    const std::string command = argv[1];
    if (command != "--register" && command != "--unregister" && command != "--firewall"
        && command != "--unfirewall")
        return kExitBadCommandLine;

#ifdef VIDLET_REGTOOL_SCRATCH_ROOT
    // The tests' build works on a scratch folder that stands for "/".
    const char* scratch = std::getenv("VIDLET_REGTOOL_ROOT");
    const std::string root = scratch ? scratch : "";
#else
    const std::string root;
#endif
    const std::string dataFolder = root + "/var/lib/vidlet";
    const std::string logFile = dataFolder + "/regtool.log";

    HelperLog log;
    std::error_code ec;
    if (command == "--register") {
        fs::create_directories(fs::path(dataFolder).parent_path(), ec);
        if (!ownDataFolder(dataFolder))
            return kExitDataFolder;
        log.setPath(logFile);
        return V4l2LoopbackSetup(root, dataFolder, log).registerCamera();
    }
    if (command == "--unregister") {
        if (ownDataFolder(dataFolder))
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
    fs::create_directories(fs::path(dataFolder).parent_path(), ec);
    if (ownDataFolder(dataFolder))
        log.setPath(logFile);
    return command == "--firewall" ? openPhonePort(root, log) : closePhonePort(root, log);
}
