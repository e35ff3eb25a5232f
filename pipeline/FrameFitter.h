#pragma once

#include "video/BgrBuffer.h"

#include <QSize>

// Fits decoded pictures to the camera's size. A picture a few pixels larger than the camera is
// the codec's padding to 16-pixel macroblocks and is cropped to its top left; a picture of any
// other size is the stream's new size, which the camera takes.
namespace FrameFitter {

enum class Fit { Exact, Crop, Adopt };

constexpr int cropTolerance = 15;

Fit fit(QSize picture, QSize camera);

// The top-left `camera` of a BGR picture `width` pixels wide, into `into`.
void crop(const unsigned char* pixels, int width, QSize camera, BgrBuffer& into);

} // namespace FrameFitter
