#include "softcam/PipewireConnection.h"

#include <pipewire/pipewire.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <unistd.h>

namespace softcam {
namespace {

const pw_core_events coreEvents = [] {
    pw_core_events events{};
    events.version = PW_VERSION_CORE_EVENTS;
    // A broken pipe on the core itself is the daemon leaving.
    events.error = [](void* self, std::uint32_t id, int, int result, const char*) {
        if (id == PW_ID_CORE && result == -EPIPE)
            static_cast<std::atomic<bool>*>(self)->store(true);
    };
    return events;
}();

} // namespace

PipewireConnection::~PipewireConnection()
{
    stop();
    if (coreHook)
        spa_hook_remove(coreHook.get());
    if (connected)
        pw_core_disconnect(connected);
    if (context)
        pw_context_destroy(context);
    if (thread)
        pw_thread_loop_destroy(thread);
}

std::string PipewireConnection::open(const char* threadName)
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { pw_init(nullptr, nullptr); });
    thread = pw_thread_loop_new(threadName, nullptr);
    context = thread ? pw_context_new(pw_thread_loop_get_loop(thread), nullptr, 0) : nullptr;
    if (!context)
        return std::strerror(errno);
    connected = pw_context_connect(context, nullptr, 0);
    if (!connected)
        return std::string("PipeWire is not running: ") + std::strerror(errno);
    coreHook = std::make_unique<spa_hook>();
    pw_core_add_listener(connected, coreHook.get(), &coreEvents, &gone);
    return {};
}

bool PipewireConnection::daemonPresent()
{
    // Where libpipewire looks: PIPEWIRE_REMOTE names the socket, in PIPEWIRE_RUNTIME_DIR or
    // else XDG_RUNTIME_DIR.
    const char* remote = std::getenv("PIPEWIRE_REMOTE");
    const std::string name = remote && *remote ? remote : "pipewire-0";
    if (name.front() == '/')
        return access(name.c_str(), F_OK) == 0;
    const char* folder = std::getenv("PIPEWIRE_RUNTIME_DIR");
    if (!folder || !*folder)
        folder = std::getenv("XDG_RUNTIME_DIR");
    if (!folder || !*folder)
        return false;
    return access((std::string(folder) + "/" + name).c_str(), F_OK) == 0;
}

bool PipewireConnection::start()
{
    return pw_thread_loop_start(thread) == 0;
}

void PipewireConnection::stop()
{
    if (thread)
        pw_thread_loop_stop(thread);
}

void PipewireConnection::lock()
{
    pw_thread_loop_lock(thread);
}

void PipewireConnection::unlock()
{
    pw_thread_loop_unlock(thread);
}

pw_loop* PipewireConnection::loop() const
{
    return pw_thread_loop_get_loop(thread);
}

} // namespace softcam
