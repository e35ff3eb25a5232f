#include "pipeline/FrameLayout.h"

#include "video/YuvToBgr.h"

namespace FrameLayout {

void toBgr(const BgrBuffer& planes, QSize size, BgrBuffer& bgr)
{
    const int w = size.width();
    const int h = size.height();
    const std::uint8_t* y = planes.data();
    const std::uint8_t* u = y + std::size_t(w) * std::size_t(h);
    const std::uint8_t* v = u + std::size_t(w / 2) * std::size_t(h / 2);
    bgr.resize(bgrBytes(size));
    YuvToBgr::fromI420(y, w, u, w / 2, v, w / 2, w, h, bgr.data());
}

} // namespace FrameLayout
