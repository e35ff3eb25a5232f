#include "regtool/HelperLog_linux.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
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
    // Never through a link, and only into a plain file: the folder is root's, but a link or a
    // FIFO left in it by an older version must neither make root append to another file nor
    // hold the helper (a FIFO nobody reads fails to open instead of blocking).
    const int fd = ::open(
        path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return;
    }
    const std::string text = std::string(message) + "\n";
    (void)!::write(fd, text.data(), text.size());
    ::close(fd);
}
