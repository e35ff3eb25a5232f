#include "tests/TestSandbox.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Sandbox {
    std::string root;
    std::string segment;

    Sandbox()
    {
        const char* temp = std::getenv("TMPDIR");
        std::string pattern = std::string(temp && *temp ? temp : "/tmp") + "/vidlet-test-XXXXXX";
        if (!mkdtemp(pattern.data()))
            std::abort();
        root = pattern;
        const std::pair<const char*, const char*> folders[] = {{"HOME", "/home"},
                                                               {"XDG_CONFIG_HOME", "/config"},
                                                               {"XDG_DATA_HOME", "/data"},
                                                               {"XDG_STATE_HOME", "/state"},
                                                               {"XDG_CACHE_HOME", "/cache"},
                                                               {"XDG_RUNTIME_DIR", "/runtime"},
                                                               {"TMPDIR", "/tmp"}};
        for (const auto& [variable, folder] : folders) {
            const std::string path = root + folder;
            mkdir(path.c_str(), 0700); // Qt insists on 0700 for the runtime folder
            setenv(variable, path.c_str(), 1);
        }
        // The user's session bus (the desktop's settings portal, the tray's watcher) is out of
        // reach: this address has no bus behind it.
        setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + root + "/no-session-bus").c_str(), 1);
        // The user's PipeWire too: a camera made by a test publishes its node only in a session
        // the test starts itself.
        unsetenv("PIPEWIRE_REMOTE");
        unsetenv("PIPEWIRE_RUNTIME_DIR");
        segment = "/vidlet-test-" + std::to_string(getpid());
        setenv("VIDLET_CAMERA_SEGMENT", segment.c_str(), 1);
    }

    ~Sandbox()
    {
        shm_unlink(segment.c_str()); // a camera the test left open
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
} sandbox;

} // namespace

QString TestSandbox::path()
{
    return QString::fromStdString(sandbox.root);
}
