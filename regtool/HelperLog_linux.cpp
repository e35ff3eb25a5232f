#include "regtool/HelperLog_linux.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <unistd.h>

void HelperLog::line(const char* format, ...)
{
    if (path.empty())
        return;
    char message[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    // Never through a link: the folder is root's, but a link left in it must not make root
    // append to another file.
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    const std::string text = std::string(message) + "\n";
    (void)!::write(fd, text.data(), text.size());
    ::close(fd);
}
