#include "pipeline/FrameFitter.h"

#include <cstring>

namespace FrameFitter {

Fit fit(QSize picture, QSize camera)
{
    if (picture == camera)
        return Fit::Exact;
    const int wider = picture.width() - camera.width();
    const int higher = picture.height() - camera.height();
    if (wider >= 0 && higher >= 0 && wider <= cropTolerance && higher <= cropTolerance)
        return Fit::Crop;
    return Fit::Adopt;
}

void crop(const unsigned char* pixels, int width, QSize camera, BgrBuffer& into)
{
    const std::size_t row = std::size_t(camera.width()) * 3;
    const std::size_t stride = std::size_t(width) * 3;
    into.resize(row * std::size_t(camera.height()));
    for (int y = 0; y < camera.height(); ++y)
        std::memcpy(into.data() + row * std::size_t(y), pixels + stride * std::size_t(y), row);
}

} // namespace FrameFitter
