#include "bench/CameraWatch.h"

#include "softcam/CameraReader.h"
#include "tools/common/FrameStamp.h"

#include <chrono>

CameraWatch::CameraWatch(std::string segment, std::size_t frames)
    : published(frames, 0),
      thread(&CameraWatch::watch, this, std::move(segment))
{
}

CameraWatch::~CameraWatch()
{
    stop();
}

void CameraWatch::stop()
{
    running = false;
    if (thread.joinable())
        thread.join();
}

void CameraWatch::watch(std::string segment)
{
    softcam::CameraReader reader(std::move(segment));
    softcam::CameraFrame frame;
    while (running.load()) {
        // A frame's time comes from the camera, so polling a little late costs no accuracy;
        // polling every millisecond only keeps the reader from missing a frame of two slots.
        if (!reader.attach() || !reader.readNewFrame(frame)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        const auto stamp = FrameStamp::decode(frame.bgr.data(), frame.width, frame.height);
        if (stamp && stamp->frame < published.size() && published[stamp->frame] == 0)
            published[stamp->frame] = frame.publishedNs;
    }
}
