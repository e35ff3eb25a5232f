// A camera writer that is sent SIGBUS by another program:
//   bus-signal-child SEGMENT ignored|default
// "ignored" ignores SIGBUS before the camera opens; the segment is then cut short under it, and
// exit code 0 says the writer lived through both. With the default action the sent signal
// should end it; exit code 5 says it did not.
#include "softcam/SharedFramePublisher.h"
#include "softcam/SharedFrameLayout.h"

#include <csignal>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    if (std::strcmp(argv[2], "ignored") == 0)
        std::signal(SIGBUS, SIG_IGN);
    softcam::SharedFramePublisher publisher;
    if (!publisher.open(argv[1], 64, 48, 30.0f))
        return 3;
    const std::vector<unsigned char> bgr(softcam::frameBytes(64, 48), 0x40);
    publisher.publish(bgr.data());
    kill(getpid(), SIGBUS);
    if (std::strcmp(argv[2], "default") == 0)
        return 5;
    const int fd = shm_open(argv[1], O_RDWR, 0);
    if (fd < 0 || ftruncate(fd, 0) != 0)
        return 4;
    for (int i = 0; i < 3; ++i)
        publisher.publish(bgr.data());
    shm_unlink(argv[1]);
    return 0;
}
