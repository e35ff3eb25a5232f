#include "pipeline/CameraOutput.h"
#include "pipeline/FrameLayout.h"

CameraOutput::CameraOutput(std::unique_ptr<IVirtualCameraSink> sink, const Clock& clock)
    : sink(std::move(sink)),
      clock(clock)
{
}

bool CameraOutput::resize(QSize size)
{
    if (size == current && sink->isRunning())
        return true;
    if (sink->isRunning() && sink->readerHoldsSize())
        return false;
    const std::int64_t now = clock.nowMs();
    if (remadeMs && now - *remadeMs < remakeIntervalMs)
        return false;
    remadeMs = now;
    sink->restart(size.width(), size.height(), fps);
    current = size;
    return true;
}

void CameraOutput::send(const unsigned char* bgr)
{
    if (!on.load())
        return;
    sink->sendFrame(bgr);
    ++count;
}

void CameraOutput::hand(BgrBuffer& frame)
{
    if (!on.load())
        return;
    if (FrameLayout::holdsI420(frame, current))
        sink->handPlanes(frame);
    else
        sink->handFrame(frame);
    ++count;
}
