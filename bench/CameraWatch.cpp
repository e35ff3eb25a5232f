#include "bench/CameraWatch.h"

#include "tools/common/FrameStamp.h"
#include "tools/vidlet-camview/PipewireCameraReader.h"

#include <chrono>
#include <memory>

CameraWatch::CameraWatch(std::function<Read()> open, std::size_t frames)
    : published(frames, 0),
      thread(&CameraWatch::watch, this, std::move(open))
{
}

CameraWatch::~CameraWatch()
{
    stop();
}

std::function<CameraWatch::Read()> CameraWatch::sharedMemory(std::string segment)
{
    return [segment] {
        auto reader = std::make_shared<softcam::CameraReader>(segment);
        return Read([reader](softcam::CameraFrame& frame) {
            return reader->attach() && reader->readNewFrame(frame);
        });
    };
}

std::function<CameraWatch::Read()> CameraWatch::pipewire()
{
    return [] {
        auto reader = std::make_shared<PipewireCameraReader>("vidlet-camera");
        return Read([reader](softcam::CameraFrame& frame) {
            return reader->attach() && reader->readNewFrame(frame);
        });
    };
}

void CameraWatch::stop()
{
    running = false;
    if (thread.joinable())
        thread.join();
}

void CameraWatch::watch(std::function<Read()> open)
{
    const Read read = open();
    softcam::CameraFrame frame;
    while (running.load()) {
        // A frame's time comes from the reader's side, so polling a little late costs no
        // accuracy; polling every millisecond only keeps the reader from missing a frame.
        if (!read(frame)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        const auto stamp = FrameStamp::decode(frame.bgr.data(), frame.width, frame.height);
        if (stamp && stamp->frame < published.size() && published[stamp->frame] == 0)
            published[stamp->frame] = frame.publishedNs;
    }
}
