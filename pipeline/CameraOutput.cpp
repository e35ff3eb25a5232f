#include "pipeline/CameraOutput.h"

CameraOutput::CameraOutput(std::unique_ptr<IVirtualCameraSink> sink)
    : sink(std::move(sink))
{
}

void CameraOutput::resize(QSize size)
{
    if (size == current && sink->isRunning())
        return;
    sink->stop();
    sink->start(size.width(), size.height(), fps);
    current = size;
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
    sink->handFrame(frame);
    ++count;
}
