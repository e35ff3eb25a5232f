#include "softcam/SegmentPointer.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace softcam::SegmentPointer {
namespace {

constexpr std::size_t kMaxTarget = 255;

// The runtime folder counts only when it is the user's alone.
std::optional<std::string> privateFolder()
{
    const char* folder = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (!folder || folder[0] != '/' || lstat(folder, &st) != 0 || !S_ISDIR(st.st_mode)
        || st.st_uid != geteuid() || (st.st_mode & 077) != 0)
        return std::nullopt;
    return std::string(folder);
}

// Segment names are "/" and one component.
std::optional<std::string> pointerPath(const std::string& name)
{
    if (name.size() < 2 || name[0] != '/' || name.find('/', 1) != std::string::npos)
        return std::nullopt;
    const std::optional<std::string> folder = privateFolder();
    if (!folder)
        return std::nullopt;
    return *folder + name + ".segment";
}

} // namespace

std::optional<std::string> unguessableName(const std::string& name)
{
    unsigned char bytes[12] = {};
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n > 0)
            got += std::size_t(n);
        else if (errno != EINTR)
            return std::nullopt;
    }
    std::string result = name + ".";
    for (const unsigned char byte : bytes) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", byte);
        result += hex;
    }
    return result;
}

bool point(const std::string& name, const std::string& segment)
{
    const std::optional<std::string> path = pointerPath(name);
    if (!path || segment.size() > kMaxTarget)
        return false;
    // Written beside and renamed over, so a reader never reads half of it.
    const std::string staged = *path + ".new";
    unlink(staged.c_str());
    const int fd = open(staged.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool written = write(fd, segment.data(), segment.size()) == ssize_t(segment.size());
    close(fd);
    if (!written || rename(staged.c_str(), path->c_str()) != 0) {
        unlink(staged.c_str());
        return false;
    }
    return true;
}

std::optional<std::string> target(const std::string& name)
{
    const std::optional<std::string> path = pointerPath(name);
    if (!path)
        return std::nullopt;
    const int fd = open(path->c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    char buffer[kMaxTarget + 1];
    struct stat st {};
    const ssize_t n = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid()
        ? read(fd, buffer, sizeof buffer)
        : -1;
    close(fd);
    if (n <= 0 || std::size_t(n) > kMaxTarget)
        return std::nullopt;
    const std::string segment(buffer, std::size_t(n));
    // Only a name of this camera's family: the pointer never sends a reader elsewhere.
    if (segment.compare(0, name.size() + 1, name + ".") != 0
        || segment.find('/', 1) != std::string::npos)
        return std::nullopt;
    return segment;
}

void remove(const std::string& name, const std::string& segment)
{
    const std::optional<std::string> path = pointerPath(name);
    if (path && target(name) == segment)
        unlink(path->c_str());
}

} // namespace softcam::SegmentPointer
