#include "pipeline/FrameFanOut.h"
#include "pipeline/CameraOutput.h"
#include "pipeline/FrameLayout.h"
#include "video/Mp4Recorder.h"

#include <cstring>

FrameFanOut::FrameFanOut(CameraOutput& camera, Mp4Recorder& recorder, Preview preview)
    : camera(camera),
      recorder(recorder),
      preview(std::move(preview))
{
}

void FrameFanOut::pass(BgrBuffer& frame)
{
    const QSize size = camera.size();
    const bool recording = recorder.isOpen() && !recorder.isOriginal()
        && recorder.width() == size.width() && recorder.height() == size.height();
    const bool planes = FrameLayout::holdsI420(frame, size);
    const bool planesTaken = planes && camera.takesPlanes();
    const bool planesRecorded = planes && recording && Mp4Recorder::takesPlanes();
    // Planes come only while nothing here wants BGR; a preview shown or a reader of BGR come
    // since they were decoded get them converted.
    const unsigned char* bgr = frame.data();
    if (planes && (previewWanted() || (recording && !planesRecorded) || !planesTaken)) {
        FrameLayout::toBgr(frame, size, converted);
        bgr = converted.data();
    }
    const bool previewed = copyForPreview(bgr);
    if (planesRecorded)
        recorder.writePlanes(frame.data());
    else if (recording)
        recorder.writeFrame(bgr);
    recordedFrames += recording ? 1 : 0;
    if (planes && !planesTaken)
        camera.send(bgr);
    else
        camera.hand(frame);
    if (previewed)
        preview(previewImage);
}

void FrameFanOut::passUnit(const QByteArray& accessUnit, bool keyframe)
{
    if (!recorder.isOriginal())
        return;
    recorder.writeAccessUnit(reinterpret_cast<const unsigned char*>(accessUnit.constData()),
                             std::size_t(accessUnit.size()), keyframe);
    // Before the first key frame nothing is taken.
    recordedFrames += recorder.waitsForKeyframe() ? 0 : 1;
}

bool FrameFanOut::previewWanted() const
{
    return shown_ && (!previewWatched || previewWatched());
}

std::uint64_t FrameFanOut::takeRecordedFrames()
{
    const std::uint64_t frames = recordedFrames;
    recordedFrames = 0;
    return frames;
}

// The preview gets its own copy, since the window keeps the picture until it draws the next.
// The copy goes into the image the last frame used when nothing holds that any more.
bool FrameFanOut::copyForPreview(const unsigned char* frame)
{
    if (!previewWanted())
        return false;
    const QSize size = camera.size();
    if (previewImage.size() != size || !previewImage.isDetached())
        previewImage = QImage(size, QImage::Format_BGR888);
    const std::size_t row = std::size_t(size.width()) * 3;
    for (int y = 0; y < size.height(); ++y)
        std::memcpy(previewImage.scanLine(y), frame + row * std::size_t(y), row);
    return true;
}
