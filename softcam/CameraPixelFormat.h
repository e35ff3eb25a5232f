#pragma once

#include <cstddef>

namespace softcam {

// The raw formats the PipeWire camera offers, each from one BGR frame. Pictures have the even
// sides of i420Side(): 4:2:0 and 4:2:2 need them, and an odd frame's extra column or row
// repeats its edge.
enum class CameraPixelFormat { I420, NV12, YUY2 };

inline constexpr CameraPixelFormat kCameraPixelFormats[] = {
    CameraPixelFormat::I420, CameraPixelFormat::NV12, CameraPixelFormat::YUY2};

const char* formatName(CameraPixelFormat format);
// Bytes from one row to the next in the first plane.
int pixelStride(CameraPixelFormat format, int width);
std::size_t pictureBytes(CameraPixelFormat format, int width, int height);
// `picture` holds pictureBytes(format, width, height).
void convertBgr(CameraPixelFormat format, const unsigned char* bgr, int width, int height,
                unsigned char* picture);

} // namespace softcam
