#pragma once

#include "softcam/I420Planes.h"
#include "softcam/PipewireCameraNode.h"
#include "softcam/SharedFrameLayout.h"
#include "softcam/SharedFramePublisher.h"
#include "softcam/V4l2LoopbackOutput.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace softcam {

// One camera: every frame goes to the shared-memory segment, to the PipeWire camera node where
// PipeWire runs, and, when a "Vidlet Camera" loopback device exists, to that device too.
// sendFrame() and sendI420() run on the sending thread and may overlap isConnected() and
// seesEveryReader() on the controlling thread.
class SoftCamera {
public:
    // Null when the segment is held by another camera or cannot be made. `keptNode`, a node
    // an earlier camera let go of (releaseNode()), is taken at the new size where it can be,
    // so that PipeWire programs keep knowing the camera by it.
    static std::unique_ptr<SoftCamera> create(const std::string& segmentName, int width, int height,
                                              float fps,
                                              std::unique_ptr<PipewireCameraNode> keptNode = {});
    // The controlling thread, while no frame is being sent: the camera gives up its node.
    std::unique_ptr<PipewireCameraNode> releaseNode();

    void sendFrame(const unsigned char* bgr);
    // The same picture as a decoder's I420 planes, for a camera of even sides (others ignore
    // it): the node and the device take them as they are, only the segment gets them as BGR.
    void sendI420(const I420Planes& planes);
    bool isConnected();
    // A PipeWire stream or a loopback reader, which cannot follow a size change, reads now.
    bool readerHoldsSize();
    // PipeWire lists the camera's node now.
    bool isOnPipewire();
    bool isReadThroughPipewire();
    // Another program cut the segment short at least once; it was made again.
    bool segmentWasCutShort() const { return segmentCut.load(std::memory_order_relaxed); }
    // False while a loopback device is fed whose module does not report its readers.
    bool seesEveryReader() const;
    // For tests: the clock, in nanoseconds, that spaces the frames nobody reads.
    void setClock(std::function<std::uint64_t()> nowNs) { clock = std::move(nowNs); }

private:
    SoftCamera() = default;

    // The sending thread's: a node PipeWire lost is replaced once the daemon is back.
    void keepNode();
    // The sending thread's: a segment another program cut short is made again.
    void keepSegment();

    std::function<std::uint64_t()> clock = monotonicNs;
    std::optional<std::uint64_t> lastPublishNs; // the sending thread's
    int width = 0;
    int height = 0;
    float fps = 30.0f;
    std::uint64_t nextNodeTryNs = 0;    // the sending thread's
    std::uint64_t nextSegmentTryNs = 0; // the sending thread's
    std::atomic<bool> segmentCut{false};

    // The sending thread's: the last I420 picture sent, packed, current while no BGR frame
    // came after it, and its BGR for the segment, made only when the segment is written.
    std::vector<unsigned char> i420;
    bool i420Current = false;
    std::vector<unsigned char> i420AsBgr;
    bool i420AsBgrCurrent = false;

    // The sending thread remakes it under sharedLock, which the controlling thread takes to
    // ask it about readers.
    SharedFramePublisher shared;
    mutable std::mutex sharedLock;
    std::unique_ptr<V4l2LoopbackOutput> device; // null without a loopback device
    // Null without PipeWire. The sending thread replaces it under nodeLock, which the
    // controlling thread takes to read it.
    std::unique_ptr<PipewireCameraNode> node;
    mutable std::mutex nodeLock;
};

} // namespace softcam
