#pragma once

#include "softcam/CameraPixelFormat.h"
#include "softcam/FrameHandover.h"
#include "softcam/PipewireConnection.h"

#include <atomic>
#include <memory>
#include <vector>

struct pw_stream;
struct spa_source;
struct spa_hook;
struct spa_pod;
struct pw_stream_events;

namespace softcam {

// The camera as a PipeWire video source, "Vidlet Camera", which programs that open cameras
// through PipeWire or the desktop's Camera portal list without any kernel module. It offers
// I420, NV12 and YUY2 at the camera's fixed size and rate and drives the graph itself: every
// frame the camera is given triggers one cycle. PipeWire's loop runs on its own thread, takes
// the newest frame there and converts it to the format the reader chose; offer() and
// offerI420() only copy the frame and wake that loop, so the sending thread never waits for
// PipeWire.
class PipewireCameraNode {
public:
    // Null where PipeWire is not running or refuses the node; the first such failure in a
    // process is logged with its reason.
    static std::unique_ptr<PipewireCameraNode> create(int width, int height, float fps);
    ~PipewireCameraNode();
    PipewireCameraNode(const PipewireCameraNode&) = delete;
    PipewireCameraNode& operator=(const PipewireCameraNode&) = delete;

    // Takes another size in place, so that programs keep knowing the camera by the same node:
    // the formats offered change, and the next reader links at the new size. From the
    // controlling thread while no camera sends to the node; false, leaving the node as it was,
    // while a program streams from it or the daemon has dropped it.
    bool resize(int width, int height, float fps);

    // Sending thread: a BGR frame, or a packed I420 picture (i420Bytes()) of an even size,
    // which reaches a reader of I420 unchanged and one of NV12 or YUY2 only repacked.
    void offer(const unsigned char* bgr);
    void offerI420(const unsigned char* i420);
    // A reader streams from the node. Any thread.
    bool isStreaming() const { return streaming.load(std::memory_order_relaxed); }
    // The daemon went away or dropped the node: a new node is needed. Any thread.
    bool lost() const { return pipewire.lost() || dropped.load(); }
    // The daemon has taken the node and still has it: programs can list the camera. Any thread.
    bool isPublished() const { return published.load() && !lost(); }

private:
    PipewireCameraNode(int width, int height);
    bool connect(float fps);
    void onFormat(const spa_pod* param);
    void onProcess();
    void onState(int state, const char* error);
    void hand(const unsigned char* frame, std::size_t bytes, FrameKind kind);

    static const pw_stream_events streamEvents;

    // Changed only by resize(), with the loop held and no sender.
    int width;
    int height;
    PipewireConnection pipewire; // first: destroyed after the stream and the source
    pw_stream* stream = nullptr;
    spa_source* wake = nullptr; // signalled by offer(), handled on the loop
    std::unique_ptr<spa_hook> streamHook;

    FrameHandover handover;
    std::atomic<bool> streaming{false};
    std::atomic<bool> dropped{false};
    std::atomic<bool> published{false}; // the daemon has taken the node; set on the loop
    bool handedSinceStreaming = false;  // sending thread only

    // PipeWire's loop only:
    CameraPixelFormat format = CameraPixelFormat::I420;
    bool negotiated = false;
    bool pictureCurrent = false; // `picture` is the handover's latest frame in `format`
    std::vector<unsigned char> picture;
};

} // namespace softcam
