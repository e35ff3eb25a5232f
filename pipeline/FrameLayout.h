#pragma once

#include "video/BgrBuffer.h"

#include <QSize>

#include <cstddef>

// A frame of the camera's size travels through the pacer and the fan-out in one of two layouts,
// told apart by its length: BGR (width * height * 3 bytes, the camera's own) or, where the
// camera takes the decoder's planes, I420 (Y, then U, then V, rows unpadded; even sides only,
// width * height * 3 / 2 bytes).
namespace FrameLayout {

inline std::size_t bgrBytes(QSize size)
{
    return std::size_t(size.width()) * std::size_t(size.height()) * 3;
}

inline std::size_t i420Bytes(QSize size)
{
    return bgrBytes(size) / 2;
}

inline bool holdsI420(const BgrBuffer& frame, QSize size)
{
    return size.width() % 2 == 0 && size.height() % 2 == 0 && frame.size() == i420Bytes(size);
}

// The I420 frame `planes` of `size` converted into `bgr`, which takes the BGR layout.
void toBgr(const BgrBuffer& planes, QSize size, BgrBuffer& bgr);

} // namespace FrameLayout
