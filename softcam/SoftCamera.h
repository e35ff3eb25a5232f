#pragma once

#include "softcam/PipewireCameraNode.h"
#include "softcam/SharedFramePublisher.h"
#include "softcam/V4l2LoopbackOutput.h"

#include <memory>
#include <string>

namespace softcam {

// One camera: every frame goes to the shared-memory segment, to the PipeWire camera node where
// PipeWire runs, and, when a "Vidlet Camera" loopback device exists, to that device too. sendFrame() runs on the sending thread and may
// overlap isConnected() on the controlling thread.
class SoftCamera {
public:
    // Null when the segment is held by another camera or cannot be made.
    static std::unique_ptr<SoftCamera> create(const std::string& segmentName, int width, int height,
                                              float fps);

    void sendFrame(const unsigned char* bgr);
    bool isConnected();

private:
    SoftCamera() = default;

    SharedFramePublisher shared;
    std::unique_ptr<V4l2LoopbackOutput> device; // null without a loopback device
    std::unique_ptr<PipewireCameraNode> node;   // null without PipeWire
};

} // namespace softcam
