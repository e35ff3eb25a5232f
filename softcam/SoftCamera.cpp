#include "softcam/SoftCamera.h"

#include "softcam/BgrToI420.h"
#include "softcam/ComponentLog.h"
#include "softcam/SharedFrameLayout.h"
#include "system/Product.h"
#include "video/YuvToBgr.h"

#include <chrono>

namespace softcam {
namespace {

// A reader polls many times a second; one silent for this long has gone.
constexpr std::chrono::seconds kReaderTimeout{3};
// While nothing reads the camera its segment is refreshed this often rather than at every
// frame: a reader that comes finds a recent picture, and every frame from the next one on.
constexpr std::uint64_t kUnreadRefreshNs = 1'000'000'000;
// While PipeWire is away, whether it is back is looked at this often.
constexpr std::uint64_t kNodeRetryNs = 500'000'000;
constexpr std::uint64_t kNodeRefusedRetryNs = 5'000'000'000;

// PipeWire is the desktop's, one for the whole process: its leaving is told once and its return
// once, whichever camera meets them (the program may make the camera again meanwhile).
std::atomic<bool> nodeEverMade{false};
std::atomic<bool> pipewireAway{false};

void tellPipewireAway()
{
    if (!pipewireAway.exchange(true))
        report("Vidlet: PipeWire went away; the PipeWire camera is published again when it "
               "returns");
}

void tellPipewireBack()
{
    nodeEverMade.store(true);
    if (pipewireAway.exchange(false))
        report("Vidlet: PipeWire is back; the PipeWire camera is published again");
}

} // namespace

std::unique_ptr<SoftCamera> SoftCamera::create(const std::string& segmentName, int width,
                                               int height, float fps,
                                               std::unique_ptr<PipewireCameraNode> keptNode)
{
    std::unique_ptr<SoftCamera> camera(new SoftCamera);
    if (!camera->shared.open(segmentName, width, height, fps))
        return nullptr;
    // Only the user's own camera claims the machine's device. Looked up at every creation:
    // the module may have been loaded since the last camera.
    const std::string path = segmentName != userSegmentName()
        ? std::string()
        : V4l2LoopbackOutput::findDevice("/sys/devices/virtual/video4linux", Product::cameraName);
    if (!path.empty()) {
        // The descriptor stays open for the camera's life: with exclusive_caps=1 a reader
        // only sees the device while a producer holds it.
        auto output = std::make_unique<V4l2LoopbackOutput>();
        if (output->open(path, width, height, fps))
            camera->device = std::move(output);
    }
    camera->width = width;
    camera->height = height;
    camera->fps = fps;
    camera->node = keptNode && keptNode->resize(width, height, fps)
        ? std::move(keptNode)
        : PipewireCameraNode::create(width, height, fps);
    if (camera->node)
        tellPipewireBack();
    else if (nodeEverMade.load())
        tellPipewireAway(); // made again while the daemon is away
    return camera;
}

std::unique_ptr<PipewireCameraNode> SoftCamera::releaseNode()
{
    std::lock_guard<std::mutex> guard(nodeLock);
    return std::move(node);
}

void SoftCamera::keepNode()
{
    if (node && !node->lost())
        return; // every frame comes here: a working node costs one look
    const std::uint64_t now = clock();
    if (node) {
        tellPipewireAway();
        std::unique_ptr<PipewireCameraNode> gone;
        {
            std::lock_guard<std::mutex> guard(nodeLock);
            gone = std::move(node);
        }
        nextNodeTryNs = now + kNodeRetryNs;
    }
    if (node || now < nextNodeTryNs)
        return;
    nextNodeTryNs = now + kNodeRetryNs;
    if (!PipewireConnection::daemonPresent())
        return;
    std::unique_ptr<PipewireCameraNode> fresh = PipewireCameraNode::create(width, height, fps);
    if (!fresh) {
        nextNodeTryNs = now + kNodeRefusedRetryNs; // running, but it refused the node
        return;
    }
    tellPipewireBack();
    std::lock_guard<std::mutex> guard(nodeLock);
    node = std::move(fresh);
}

void SoftCamera::keepSegment()
{
    if (!shared.needsReopen())
        return;
    segmentCut.store(true, std::memory_order_relaxed); // it was made whole when created
    const std::uint64_t now = clock();
    if (now < nextSegmentTryNs)
        return;
    // At most once a second: a program that keeps cutting it costs no more.
    nextSegmentTryNs = now + 1'000'000'000;
    std::lock_guard<std::mutex> guard(sharedLock);
    if (shared.reopen())
        lastPublishNs.reset(); // the new segment gets this frame
}

void SoftCamera::sendFrame(const unsigned char* bgr)
{
    keepNode();
    keepSegment();
    i420Current = false; // the outputs now hold this frame, not the last I420 picture
    // The sender repeats the latest frame at every tick, changed or not; the device then gets
    // its last picture again rather than the same conversion once more. The comparison is
    // skipped without a device. (The PipeWire node tells repeats apart by itself.)
    const bool repeated = device && shared.repeatsLatest(bgr);
    // The device compares with the segment's picture, so it stays current for it. A PipeWire
    // reader alone does not need the segment at every frame.
    const bool read = device || shared.readerSeenWithin(kReaderTimeout);
    const std::uint64_t now = clock();
    if (read || !lastPublishNs || now - *lastPublishNs >= kUnreadRefreshNs) {
        shared.publish(bgr);
        lastPublishNs = now;
    }
    if (node)
        node->offer(bgr);
    if (device && repeated)
        device->writeAgain();
    else if (device)
        device->write(bgr);
}

void SoftCamera::sendI420(const I420Planes& planes)
{
    if (!planes.fit(width, height))
        return;
    keepNode();
    keepSegment();
    // The sender repeats the latest picture at every tick. Where the device or a reader of the
    // segment takes every frame, one comparison here spares the device another copy and the
    // segment another conversion; a PipeWire reader alone takes the planes as they come, its
    // node telling repeats apart by itself.
    const bool segmentRead = shared.readerSeenWithin(kReaderTimeout);
    const unsigned char* packed = planes.packed(width, height);
    bool repeated = false;
    if (device || segmentRead) {
        repeated = i420Current && planes.sameAs(i420.data(), width, height);
        if (!repeated) {
            i420.resize(i420Bytes(width, height));
            planes.pack(i420.data(), width, height);
            i420Current = true;
            i420AsBgrCurrent = false;
        }
        packed = i420.data();
    } else {
        i420Current = false;
        i420AsBgrCurrent = false;
        if (!packed) {
            i420.resize(i420Bytes(width, height));
            planes.pack(i420.data(), width, height);
            packed = i420.data();
        }
    }
    const std::uint64_t now = clock();
    if (segmentRead || !lastPublishNs || now - *lastPublishNs >= kUnreadRefreshNs) {
        if (!i420AsBgrCurrent) {
            i420AsBgr.resize(frameBytes(width, height));
            YuvToBgr::fromI420(planes.y, planes.yStride, planes.u, planes.uStride, planes.v,
                               planes.vStride, width, height, i420AsBgr.data());
            i420AsBgrCurrent = i420Current;
        }
        shared.publish(i420AsBgr.data());
        lastPublishNs = now;
    }
    if (node)
        node->offerI420(packed);
    if (device && repeated)
        device->writeAgain();
    else if (device)
        device->writeI420(packed);
}

bool SoftCamera::isConnected()
{
    if (readerHoldsSize())
        return true;
    std::lock_guard<std::mutex> guard(sharedLock);
    return shared.readerSeenWithin(kReaderTimeout);
}

bool SoftCamera::isOnPipewire()
{
    std::lock_guard<std::mutex> guard(nodeLock);
    return node && node->isPublished();
}

bool SoftCamera::isReadThroughPipewire()
{
    std::lock_guard<std::mutex> guard(nodeLock);
    return node && node->isStreaming();
}

bool SoftCamera::readerHoldsSize()
{
    return (device && device->hasConsumers()) || isReadThroughPipewire();
}

bool SoftCamera::seesEveryReader() const
{
    return !device || device->reportsConsumers();
}

} // namespace softcam
