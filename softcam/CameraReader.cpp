#include "softcam/CameraReader.h"
#include "softcam/SegmentPointer.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace softcam {
CameraReader::CameraReader(std::string segmentName)
    : name(std::move(segmentName))
{
}

CameraReader::~CameraReader()
{
    detach();
}

bool CameraReader::attach()
{
    if (header && stillLive()) {
        header->readerBeatNs.store(monotonicNs(), std::memory_order_relaxed);
        return true;
    }
    detach();
    // The camera moves to the next name when another user holds the first (see
    // segmentCandidate), and past all of them to the one its pointer names; only a segment of
    // this user's own is read.
    for (int index = 0; index < kSegmentNames; ++index) {
        if (attachTo(segmentCandidate(name, index)))
            return true;
    }
    const std::optional<std::string> pointed = SegmentPointer::target(name);
    return pointed && attachTo(*pointed);
}

bool CameraReader::attachTo(const std::string& segmentName)
{
    const int fd = shm_open(segmentName.c_str(), O_RDWR, 0);
    if (fd < 0)
        return false;
    struct stat st {};
    void* map = MAP_FAILED;
    if (ownPrivateSegment(fd) && fstat(fd, &st) == 0 && std::size_t(st.st_size) >= kHeaderBytes)
        map = mmap(nullptr, std::size_t(st.st_size), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd); // the mapping keeps the segment
    if (map == MAP_FAILED)
        return false;
    header = static_cast<SharedFrameHeader*>(map);
    mappedBytes = std::size_t(st.st_size);

    // The header is only trusted once the writer has declared it Live, and only as far as
    // it agrees with the size of what was mapped.
    const bool sane = header->state.load(std::memory_order_acquire) == Live
        && header->magic == kMagic && header->version == kVersion && header->writerPid > 0
        && validCameraSize(header->width, header->height)
        && header->slotBytes == frameBytes(header->width, header->height)
        && segmentBytes(header->slotBytes) <= mappedBytes;
    if (!sane || !stillLive()) {
        detach();
        return false;
    }
    cameraWidth = header->width;
    cameraHeight = header->height;
    cameraFps = header->fps;
    bytesPerFrame = header->slotBytes;
    lastNumber = 0;
    header->readerBeatNs.store(monotonicNs(), std::memory_order_relaxed);
    return true;
}

bool CameraReader::readNewFrame(CameraFrame& frame)
{
    if (!attach())
        return false;
    SlotCopy copy;
    if (!readLatestFrame(header, bytesPerFrame, lastNumber, frame.bgr, copy))
        return false;
    frame.width = cameraWidth;
    frame.height = cameraHeight;
    frame.number = copy.number;
    frame.publishedNs = copy.publishedNs;
    lastNumber = copy.number;
    return true;
}

bool CameraReader::stillLive() const
{
    if (header->state.load(std::memory_order_acquire) != Live)
        return false;
    // A camera that died without saying so leaves its segment behind.
    return kill(header->writerPid, 0) == 0 || errno == EPERM;
}

void CameraReader::detach()
{
    if (header)
        munmap(header, mappedBytes);
    header = nullptr;
    mappedBytes = 0;
    cameraWidth = cameraHeight = 0;
    cameraFps = 0;
    bytesPerFrame = 0;
}

} // namespace softcam
