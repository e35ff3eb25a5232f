#include "softcam/PipewireConnection.h"

#include <pipewire/pipewire.h>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace softcam {

PipewireConnection::~PipewireConnection()
{
    stop();
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
    return {};
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

pw_loop* PipewireConnection::loop() const
{
    return pw_thread_loop_get_loop(thread);
}

} // namespace softcam
