#include "app/ProcessEnd.h"

#include <cerrno>

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

bool waitForProcessEnd(qint64 pid, int timeoutMs)
{
    // A process descriptor becomes readable when its process ends, without polling for it.
    const int descriptor = int(::syscall(SYS_pidfd_open, pid_t(pid), 0));
    if (descriptor < 0)
        return errno == ESRCH;
    pollfd watched{descriptor, POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&watched, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    ::close(descriptor);
    return ready > 0;
}
