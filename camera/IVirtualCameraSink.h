#pragma once

#include "video/BgrBuffer.h"

// The virtual camera as the controller sees it. start(), stop(), isRunning(), isConnected() and
// mayBeRead() come from the controller's thread; sendFrame() from that thread or the
// status-card thread. `bgr` in sendFrame() is one frame of the started size (width * height * 3
// bytes, blue, green, red, top row first), lent for the duration of the call.
class IVirtualCameraSink {
public:
    virtual ~IVirtualCameraSink() = default;
    virtual bool start(int width, int height, float fps) = 0;
    virtual void sendFrame(const unsigned char* bgr) = 0;
    // As sendFrame(), for a caller that owns the frame's buffer: a sink may swap buffers rather
    // than copy the frame, and `frame` then comes back holding one of the same size with
    // undefined contents, for the caller's next frame. From the controller's thread.
    virtual void handFrame(BgrBuffer& frame) { sendFrame(frame.data()); }
    // The sink takes a decoder's I420 planes as they are, sparing the conversion to BGR and, for
    // readers that want YUV, back: only at even sides.
    virtual bool takesPlanes() const { return false; }
    // As handFrame(), with one I420 frame of the started size (Y, then U, then V, rows
    // unpadded: width * height * 3 / 2 bytes); only while takesPlanes().
    virtual void handPlanes(BgrBuffer& planes) { (void)planes; }
    virtual void stop() = 0;
    // A camera of another size in place of the running one (or the first). A sink whose
    // readers can keep knowing the camera across the change does it so; others stop and start.
    virtual bool restart(int width, int height, float fps)
    {
        stop();
        return start(width, height, fps);
    }
    virtual bool isRunning() const = 0;
    virtual bool isConnected() const = 0;
    // False only when the camera knows that no program reads it, so that pictures nobody sees
    // need not be made.
    virtual bool mayBeRead() const { return true; }
    // A program reads the camera that cannot follow a change of its size (its stream would end,
    // or its pictures be stretched): the camera must keep its size.
    virtual bool readerHoldsSize() const { return isConnected(); }
    // PipeWire lists the camera now, so programs that use it find it.
    virtual bool isOnPipewire() const { return false; }
    // A program streams the camera through PipeWire now.
    virtual bool isReadThroughPipewire() const { return false; }
    // Another program cut the camera's shared memory short since it started; it was made again.
    virtual bool segmentWasCutShort() const { return false; }
};
