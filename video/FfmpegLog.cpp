#include "video/FfmpegLog.h"

#include <QtGlobal>

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

namespace {

// Distinct messages are few (FFmpeg's texts, not their numbers); the bound only keeps a
// misbehaving library from growing the set.
constexpr std::size_t maxDistinct = 256;

std::mutex seenLock;
std::set<std::string> seen; // component and format of every message logged; seenLock

void route(void* context, int level, const char* format, va_list arguments)
{
    if (level > AV_LOG_ERROR || !format)
        return;
    const AVClass* avClass = context ? *static_cast<AVClass**>(context) : nullptr;
    const char* component = avClass && avClass->item_name ? avClass->item_name(context) : "";
    {
        // Keyed by the format, so "error while decoding MB 12 7" and "... MB 40 3" are one.
        const std::lock_guard<std::mutex> guard(seenLock);
        if (seen.size() >= maxDistinct
            || !seen.insert(std::string(component) + '\n' + format).second)
            return;
    }
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    std::string line(text);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    qWarning("Vidlet: FFmpeg %s: %s", component, line.c_str());
}

} // namespace

void FfmpegLog::install()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (av_log_get_level() > AV_LOG_ERROR)
            av_log_set_level(AV_LOG_ERROR);
        av_log_set_callback(route);
    });
}
