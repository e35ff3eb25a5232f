#include "regtool/HelperLog_linux.h"

#include <cstdarg>
#include <cstdio>

void HelperLog::line(const char* format, ...)
{
    if (path.empty())
        return;
    char message[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    if (std::FILE* file = std::fopen(path.c_str(), "a")) {
        std::fprintf(file, "%s\n", message);
        std::fclose(file);
    }
}
