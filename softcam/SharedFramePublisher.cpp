#include "softcam/ComponentLog.h"
#include "softcam/SharedFramePublisher.h"
#include "softcam/SegmentPointer.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace softcam {
namespace {

// Whether `name` still names the file behind `fd`: a camera being deleted unlinks its
// segment, and a creator that opened it just before must not publish into the orphan.
bool namesSameFile(const std::string& name, int fd)
{
    const int other = shm_open(name.c_str(), O_RDONLY, 0);
    if (other < 0)
        return false;
    struct stat a {
    }, b{};
    const bool same =
        fstat(fd, &a) == 0 && fstat(other, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    ::close(other);
    return same;
}

} // namespace

SharedFramePublisher::~SharedFramePublisher()
{
    close();
}

bool SharedFramePublisher::open(const std::string& segmentName, int width, int height, float fps)
{
    close();
    requestedName = segmentName;
    cameraWidth = width;
    cameraHeight = height;
    cameraFps = fps;
    if (!validCameraSize(width, height))
        return false;
    for (int index = 0; index < kSegmentNames; ++index) {
        const std::string candidate = segmentCandidate(segmentName, index);
        switch (openNamed(candidate, width, height, fps)) {
        case Opened:
            if (index > 0)
                report("Vidlet: camera segment %s belongs to someone else; using %s",
                       segmentName.c_str(), candidate.c_str());
            return true;
        case Taken:
            continue;
        case Failed:
            return false;
        }
    }
    // Every fixed name is taken: one nobody can guess, which this user's readers find through
    // a private pointer. The name pointed to already is tried first, so that its lock still
    // keeps a second camera out.
    if (const std::optional<std::string> pointed = SegmentPointer::target(segmentName)) {
        switch (openNamed(*pointed, width, height, fps)) {
        case Opened:
            return true;
        case Taken:
            break;
        case Failed:
            return false;
        }
    }
    const std::optional<std::string> unguessable = SegmentPointer::unguessableName(segmentName);
    if (unguessable && openNamed(*unguessable, width, height, fps) == Opened) {
        if (SegmentPointer::point(segmentName, *unguessable)) {
            report("Vidlet: every camera segment name after %s belongs to someone else; using "
                   "%s",
                   segmentName.c_str(), unguessable->c_str());
            return true;
        }
        close();
    }
    report("Vidlet: every camera segment name after %s belongs to someone else",
           segmentName.c_str());
    return false;
}

SharedFramePublisher::Outcome SharedFramePublisher::openNamed(const std::string& segmentName,
                                                              int width, int height, float fps)
{
    const std::size_t slotBytes = frameBytes(width, height);
    const std::size_t total = segmentBytes(slotBytes);

    // A few rounds settle the races with a camera that is being deleted or died.
    for (int round = 0; round < 4; ++round) {
        // Exclusive creation makes a segment that nobody else has held. shm_open never
        // follows a link.
        int candidate = shm_open(segmentName.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
        if (candidate < 0 && errno == EEXIST)
            candidate = shm_open(segmentName.c_str(), O_RDWR, 0);
        if (candidate < 0) {
            if (errno == ENOENT)
                continue; // deleted between the two opens
            // Another user's segment, or something planted at the name (a directory, a link):
            // the name is not ours to use, whatever the reason.
            if (errno != EACCES)
                report("Vidlet: cannot open camera segment %s: %s", segmentName.c_str(),
                       std::strerror(errno));
            return Taken;
        }
        struct stat st {};
        if (fstat(candidate, &st) != 0 || st.st_uid != geteuid()) {
            ::close(candidate); // another user's: never used, never deleted
            return Taken;
        }
        if (flock(candidate, LOCK_EX | LOCK_NB) != 0) {
            report("Vidlet: another camera is publishing to %s", segmentName.c_str());
            ::close(candidate);
            return Failed;
        }
        if (!namesSameFile(segmentName, candidate)) {
            ::close(candidate);
            continue;
        }
        if (st.st_size != 0 || !ownPrivateSegment(candidate)) {
            // Ours, but left by a camera that died or made readable to others. Readers may
            // still map it, so it is never resized: it is unlinked and the next round makes a
            // fresh one.
            shm_unlink(segmentName.c_str());
            ::close(candidate);
            continue;
        }
        // Reserving the pages now turns a full /dev/shm into an error here instead of a
        // SIGBUS on the first frame.
        const int err = posix_fallocate(candidate, 0, off_t(total));
        void* map = err == 0
            ? mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_SHARED, candidate, 0)
            : MAP_FAILED;
        if (map == MAP_FAILED) {
            report("Vidlet: cannot map camera segment %s: %s", segmentName.c_str(),
                   std::strerror(err ? err : errno));
            shm_unlink(segmentName.c_str());
            ::close(candidate);
            return Failed;
        }
        name = segmentName;
        fd = candidate;
        mappedBytes = total;
        bytesPerFrame = slotBytes;
        published = 0;
        writer = WriterState{};
        // The fresh pages are zero: every atomic starts at 0 and the state at Starting.
        header = static_cast<SharedFrameHeader*>(map);
        guard.watch(map, total);
        cutShortReported = false;
        header->magic = kMagic;
        header->version = kVersion;
        header->width = width;
        header->height = height;
        header->fps = fps;
        header->writerPid = int(getpid());
        header->slotBytes = slotBytes;
        header->state.store(Live, std::memory_order_release);
        return Opened;
    }
    report("Vidlet: camera segment %s keeps changing hands", segmentName.c_str());
    return Failed;
}

void SharedFramePublisher::publish(const unsigned char* bgr)
{
    if (!header)
        return;
    writeFrame(header, bytesPerFrame, writer, bgr, ++published);
    reportCutShort();
}

void SharedFramePublisher::reportCutShort()
{
    if (!guard.tripped() || cutShortReported)
        return;
    cutShortReported = true;
    report("Vidlet: camera segment %s was cut short by another program; it is made again",
           name.c_str());
}

bool SharedFramePublisher::repeatsLatest(const unsigned char* bgr) const
{
    if (!header || published == 0)
        return false;
    return std::memcmp(slotData(header, bytesPerFrame, writer.latestSlot), bgr, bytesPerFrame) == 0;
}

bool SharedFramePublisher::readerSeenWithin(std::chrono::nanoseconds window) const
{
    if (!header)
        return false;
    const std::uint64_t beat = header->readerBeatNs.load(std::memory_order_relaxed);
    const std::uint64_t now = monotonicNs();
    return beat != 0 && beat <= now && now - beat < std::uint64_t(window.count());
}

bool SharedFramePublisher::reopen()
{
    reportCutShort();
    const std::string segmentName = requestedName;
    return open(segmentName, cameraWidth, cameraHeight, cameraFps);
}

void SharedFramePublisher::close()
{
    if (!header)
        return;
    // Readers that still map the old segment see Stopped and look the name up again.
    header->state.store(Stopped, std::memory_order_release);
    if (namesSameFile(name, fd))
        shm_unlink(name.c_str());
    SegmentPointer::remove(requestedName, name);
    guard.release(); // before the range can be mapped again for something else
    munmap(header, mappedBytes);
    ::close(fd); // releases the lock
    header = nullptr;
    fd = -1;
}

} // namespace softcam
