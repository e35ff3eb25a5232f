#include "softcam/ComponentLog.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace softcam {
namespace {

// Held while a line is delivered, so a callback is never called after it was replaced.
std::mutex lock;
LogCallback installed = nullptr;
void* installedContext = nullptr;

} // namespace

void setLogCallback(LogCallback callback, void* context)
{
    std::lock_guard<std::mutex> guard(lock);
    installed = callback;
    installedContext = context;
}

void report(const char* format, ...)
{
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);

    std::lock_guard<std::mutex> guard(lock);
    if (installed)
        installed(line, installedContext);
    else
        std::fprintf(stderr, "%s\n", line);
}

} // namespace softcam
