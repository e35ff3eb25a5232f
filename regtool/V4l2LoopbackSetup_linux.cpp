#include "regtool/V4l2LoopbackSetup_linux.h"

#include "regtool/HelperExit_linux.h"
#include "regtool/HelperLog_linux.h"
#include "system/RunProgram.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kModprobeTimeoutMs = 60000;
constexpr int kUdevTimeoutMs = 30000;

constexpr const char* kModulesLoadFile = "/etc/modules-load.d/vidlet.conf";
constexpr const char* kModprobeFile = "/etc/modprobe.d/vidlet.conf";
constexpr const char* kControlDevice = "/dev/v4l2loopback";
// Before 73-seat-late.rules, which turns the uaccess tag into the seat user's access.
constexpr const char* kUdevRuleFile = "/etc/udev/rules.d/70-vidlet-camera.rules";

// The folders modprobe reads its options from, in the order it prefers them.
constexpr const char* kModprobeFolders[] = {"/etc/modprobe.d", "/run/modprobe.d",
                                            "/usr/local/lib/modprobe.d", "/usr/lib/modprobe.d",
                                            "/lib/modprobe.d"};

// v4l2loopback's control device (0.13 and later) takes these requests:
//
//   CTL_ADD 0x4C80     argument: struct below; returns the new device's number
//   CTL_REMOVE 0x4C81  argument: the device number itself
//
// Only the label and the two numbers are set; every other field 0 asks for the module's
// default, announce_all_caps 0 included (that is, exclusive capabilities).
constexpr unsigned long kCtlAdd = 0x4C80;
constexpr unsigned long kCtlRemove = 0x4C81;

struct LoopbackConfig {
    int outputNumber = -1;  // -1: the first free one
    int captureNumber = -1; // unused: one device takes frames and gives them
    char cardLabel[32] = {};
    unsigned int minWidth = 0;
    unsigned int maxWidth = 0;
    unsigned int minHeight = 0;
    unsigned int maxHeight = 0;
    int maxBuffers = 0;
    int maxOpeners = 0;
    int debug = 0;
    int announceAllCaps = 0;
};

// Writes a fresh file beside `file` and renames it over it: a link planted at `file` is
// replaced, never followed, and a reader never sees half a configuration.
bool writeFile(const std::string& file, const std::string& text)
{
    std::error_code ec;
    fs::create_directories(fs::path(file).parent_path(), ec);
    const std::string temporary = file + ".new";
    ::unlink(temporary.c_str());
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written =
        ::write(fd, text.data(), text.size()) == ssize_t(text.size()) && ::fsync(fd) == 0;
    ::close(fd);
    if (!written || ::rename(temporary.c_str(), file.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

int ioctlRetry(int fd, unsigned long request, unsigned long argument)
{
    int result;
    do
        result = ioctl(fd, request, argument);
    while (result < 0 && errno == EINTR);
    return result;
}

} // namespace

V4l2LoopbackSetup::V4l2LoopbackSetup(std::string root, std::string dataFolder, HelperLog& log)
    : root(std::move(root)),
      stateFile(dataFolder + "/module-loaded"),
      log(log)
{
}

std::vector<LoopbackDevice> V4l2LoopbackSetup::devices() const
{
    return listLoopbackDevices(path(kLoopbackSysfsFolder));
}

LoopbackDevice V4l2LoopbackSetup::ownDevice() const
{
    return findLoopbackDevice(path(kLoopbackSysfsFolder), loopbackCameraLabel);
}

bool V4l2LoopbackSetup::moduleLoaded() const
{
    return fs::exists(path("/sys/module/v4l2loopback"));
}

int V4l2LoopbackSetup::registerCamera()
{
    log.line("--- register: %s", loopbackCameraLabel);
    // The rule comes first, so that a device made now is never the video group's.
    const bool ruled = writeDeviceRule();
    LoopbackDevice own = ownDevice();
    if (own.number >= 0) {
        log.line("camera already present as /dev/video%d", own.number);
    } else {
        const int added = moduleLoaded() ? addDevice() : loadModule();
        if (added != kExitOk)
            return added;
        own = ownDevice();
        if (own.number < 0) {
            log.line("v4l2loopback shows no device labelled %s", loopbackCameraLabel);
            return kExitDevice;
        }
        log.line("camera added as /dev/video%d", own.number);
    }
    if (ruled)
        applyDeviceRule(own.number);
    const int boot = writeBootConfiguration();
    if (boot == kExitOk)
        log.line("registered");
    return boot;
}

int V4l2LoopbackSetup::loadModule()
{
    const int code = runProgram({"modprobe", "v4l2loopback", "devices=1", "exclusive_caps=1",
                                 std::string("card_label=") + loopbackCameraLabel},
                                kModprobeTimeoutMs);
    if (code != 0) {
        log.line("modprobe v4l2loopback failed (exit %d); is v4l2loopback installed?", code);
        return kExitModuleLoad;
    }
    if (!writeFile(stateFile, "v4l2loopback\n"))
        log.line("cannot write %s", stateFile.c_str());
    log.line("v4l2loopback loaded");
    return kExitOk;
}

int V4l2LoopbackSetup::addDevice()
{
    const std::string control = path(kControlDevice);
    if (!fs::exists(control) && devices().empty()) {
        // Nobody else has a camera on it: loading it again with ours costs nothing.
        const int code = runProgram({"modprobe", "-r", "v4l2loopback"}, kModprobeTimeoutMs);
        if (code != 0) {
            log.line("modprobe -r v4l2loopback failed (exit %d)", code);
            return kExitDevice;
        }
        return loadModule();
    }
    if (!fs::exists(control)) {
        log.line("v4l2loopback is loaded without its control device %s (versions before 0.13): "
                 "a camera cannot be added without reloading the module, which would remove "
                 "the cameras of other programs",
                 kControlDevice);
        return kExitDevice;
    }
    const int fd = ::open(control.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        log.line("cannot open %s: %s", kControlDevice, std::strerror(errno));
        return kExitDevice;
    }
    LoopbackConfig config;
    std::strncpy(config.cardLabel, loopbackCameraLabel, sizeof config.cardLabel - 1);
    const int number = ioctlRetry(fd, kCtlAdd, reinterpret_cast<unsigned long>(&config));
    const int error = errno;
    ::close(fd);
    if (number < 0) {
        log.line("adding a device through %s failed: %s", kControlDevice, std::strerror(error));
        return kExitDevice;
    }
    return kExitOk;
}

int V4l2LoopbackSetup::unregisterCamera()
{
    log.line("--- unregister: %s", loopbackCameraLabel);
    int result = kExitOk;
    const LoopbackDevice own = ownDevice();
    if (own.number >= 0)
        result = removeDevice(own);
    else
        log.line("no camera labelled %s", loopbackCameraLabel);
    if (result == kExitOk)
        unloadModuleIfOurs();
    removeBootConfiguration();
    return result;
}

int V4l2LoopbackSetup::removeDevice(const LoopbackDevice& device)
{
    const std::string control = path(kControlDevice);
    if (fs::exists(control)) {
        const int fd = ::open(control.c_str(), O_RDWR | O_CLOEXEC);
        const int removed = fd < 0 ? -1 : ioctlRetry(fd, kCtlRemove, unsigned(device.number));
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        if (removed < 0) {
            // EBUSY: a program still has the camera open.
            log.line("removing /dev/video%d through %s failed: %s", device.number, kControlDevice,
                     std::strerror(error));
            return kExitDevice;
        }
        log.line("removed /dev/video%d", device.number);
        return kExitOk;
    }
    // Without the control device only unloading the module removes a device, and that takes
    // every other device with it.
    for (const LoopbackDevice& other : devices()) {
        if (other.number != device.number) {
            log.line("cannot remove /dev/video%d without reloading v4l2loopback, which would "
                     "remove /dev/video%d (%s) of another program",
                     device.number, other.number, other.name.c_str());
            return kExitDevice;
        }
    }
    const int code = runProgram({"modprobe", "-r", "v4l2loopback"}, kModprobeTimeoutMs);
    if (code != 0) {
        log.line("modprobe -r v4l2loopback failed (exit %d); is the camera still in use?", code);
        return kExitDevice;
    }
    fs::remove(stateFile);
    log.line("v4l2loopback unloaded with /dev/video%d", device.number);
    return kExitOk;
}

void V4l2LoopbackSetup::unloadModuleIfOurs()
{
    if (!fs::exists(stateFile))
        return;
    if (moduleLoaded() && devices().empty()) {
        const int code = runProgram({"modprobe", "-r", "v4l2loopback"}, kModprobeTimeoutMs);
        if (code != 0)
            log.line("modprobe -r v4l2loopback failed (exit %d)", code);
        else
            log.line("v4l2loopback unloaded");
    }
    fs::remove(stateFile);
}

// Our options would override those of another file for the same module, so they are written
// only where nobody else sets any.
std::string V4l2LoopbackSetup::otherModuleOptions() const
{
    std::error_code ec;
    for (const char* folder : kModprobeFolders) {
        for (const fs::directory_entry& entry : fs::directory_iterator(path(folder), ec)) {
            if (entry.path() == fs::path(path(kModprobeFile)))
                continue;
            std::ifstream in(entry.path());
            std::string word;
            for (std::string line; std::getline(in, line);) {
                std::istringstream words(line);
                std::string module;
                if (words >> word >> module && word == "options" && module == "v4l2loopback")
                    return entry.path().string();
            }
        }
    }
    return {};
}

// Every frame of the camera passes through its device, and Debian gives video devices to the
// group video, which desktop users are commonly in: ours goes to the user at the seat alone.
bool V4l2LoopbackSetup::writeDeviceRule()
{
    const std::string rule =
        std::string("# Written by vidlet-regtool --register, removed by --unregister.\n"
                    "SUBSYSTEM==\"video4linux\", ATTR{name}==\"")
        + loopbackCameraLabel
        + "\", OWNER=\"root\", GROUP=\"root\", MODE=\"0600\", TAG+=\"uaccess\"\n";
    if (writeFile(path(kUdevRuleFile), rule))
        return true;
    log.line("cannot write %s: the camera's device keeps the system's permissions", kUdevRuleFile);
    return false;
}

// A device that exists already takes the rule now rather than at the next boot.
void V4l2LoopbackSetup::applyDeviceRule(int number)
{
    const std::string device = "/sys/class/video4linux/video" + std::to_string(number);
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"udevadm", "control", "--reload"},
          std::vector<std::string>{"udevadm", "trigger", "--action=change", "--settle", device}}) {
        const int code = runProgram(command, kUdevTimeoutMs);
        if (code != 0) {
            log.line("udevadm %s failed (exit %d): /dev/video%d keeps its permissions until the "
                     "next boot",
                     command[1].c_str(), code, number);
            return;
        }
    }
    log.line("/dev/video%d is the seat user's alone", number);
}

int V4l2LoopbackSetup::writeBootConfiguration()
{
    const std::string other = otherModuleOptions();
    if (!other.empty()) {
        log.line("%s sets v4l2loopback options already; the camera will not come back after a "
                 "restart",
                 other.c_str());
        return kExitBootConfig;
    }
    const std::string header = "# Written by vidlet-regtool --register, removed by --unregister.\n";
    const std::string options = std::string("options v4l2loopback devices=1 exclusive_caps=1 "
                                            "card_label=\"")
        + loopbackCameraLabel + "\"\n";
    for (const auto& [file, text] : {std::pair{kModulesLoadFile, header + "v4l2loopback\n"},
                                     std::pair{kModprobeFile, header + options}}) {
        if (!writeFile(path(file), text)) {
            log.line("cannot write %s", file);
            return kExitBootConfig;
        }
    }
    return kExitOk;
}

void V4l2LoopbackSetup::removeBootConfiguration()
{
    for (const char* file : {kModulesLoadFile, kModprobeFile, kUdevRuleFile}) {
        std::error_code ec;
        if (!fs::remove(path(file), ec) && ec)
            log.line("cannot remove %s: %s", file, ec.message().c_str());
    }
}
