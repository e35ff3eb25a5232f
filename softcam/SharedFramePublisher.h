#pragma once

#include "softcam/SegmentFaultGuard.h"
#include "softcam/SharedFrameLayout.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace softcam {

// Writes a camera's frames to its shared-memory segment (see SharedFrameLayout.h). Holding an
// exclusive lock on the segment makes this the only writer on the machine; the lock dies with
// the process, so a crashed camera never blocks the next one. publish() never waits for a
// reader. publish() and readerSeenWithin() may run on two threads at once.
class SharedFramePublisher {
public:
    SharedFramePublisher() = default;
    ~SharedFramePublisher();
    SharedFramePublisher(const SharedFramePublisher&) = delete;
    SharedFramePublisher& operator=(const SharedFramePublisher&) = delete;

    // False, after logging, when another camera holds the segment or it cannot be made. A
    // name that another user holds is passed over for the next of segmentCandidate()'s, and
    // past them all for a random one (SegmentPointer).
    bool open(const std::string& segmentName, int width, int height, float fps);
    // `bgr` holds width * height * 3 bytes.
    void publish(const unsigned char* bgr);
    // Whether `bgr` is the frame published last, to the byte. Call on the publishing thread.
    bool repeatsLatest(const unsigned char* bgr) const;
    bool readerSeenWithin(std::chrono::nanoseconds window) const;
    // Another program cut the segment short (frames reach nobody until it is made again), or
    // making it again failed.
    bool needsReopen() const { return !header || guard.tripped(); }
    // Makes the segment again as open() made it; readers find the new one by its name. Not
    // while publish() or readerSeenWithin() runs.
    bool reopen();

private:
    enum Outcome { Opened, Taken, Failed };
    Outcome openNamed(const std::string& segmentName, int width, int height, float fps);
    void close();
    // Once per segment, when the guard has tripped.
    void reportCutShort();

    std::string requestedName; // as open() was given it
    int cameraWidth = 0;
    int cameraHeight = 0;
    float cameraFps = 0;
    std::string name;
    int fd = -1;
    SharedFrameHeader* header = nullptr; // start of the mapping
    std::size_t mappedBytes = 0;
    std::size_t bytesPerFrame = 0;
    std::uint64_t published = 0;   // publish() only
    WriterState writer;            // publish() only
    SegmentFaultGuard guard;       // the mapping, against a segment cut short under it
    bool cutShortReported = false; // publish() only
};

} // namespace softcam
