#pragma once

#include "video/BgrBuffer.h"

#include <QByteArray>
#include <QImage>

#include <cstdint>
#include <functional>

class CameraOutput;
class Mp4Recorder;

// The live path's last stage: a copy for the window's preview while a window shows it, the open
// recording while it has the frame's size, and the camera, which takes the frame last by
// swapping buffers. GUI thread only.
class FrameFanOut {
public:
    using Preview = std::function<void(const QImage& picture)>;
    using Watched = std::function<bool()>;

    FrameFanOut(CameraOutput& camera, Mp4Recorder& recorder, Preview preview);

    // A frame of the camera's size, BGR or I420 (see FrameLayout); it comes back holding a
    // buffer of the same size.
    void pass(BgrBuffer& frame);
    // One access unit of the active phone's stream, for an Original recording.
    void passUnit(const QByteArray& accessUnit, bool keyframe);

    // Whether a window shows the preview (not hidden, minimised or on another screen) and
    // something receives it; pictures are copied for it only then.
    void setPreviewShown(bool shown) { shown_ = shown; }
    bool previewShown() const { return shown_; }
    void setPreviewWatched(Watched watched) { previewWatched = std::move(watched); }
    bool previewWanted() const;

    // Frames (or, Original, access units) written to the recording since the last call.
    std::uint64_t takeRecordedFrames();

private:
    bool copyForPreview(const unsigned char* frame);

    CameraOutput& camera;
    Mp4Recorder& recorder;
    Preview preview;
    Watched previewWatched;
    bool shown_ = true;
    QImage previewImage; // the last frame shown, when the window still holds it
    BgrBuffer converted; // planes made BGR for a stage that wants it
    std::uint64_t recordedFrames = 0;
};
