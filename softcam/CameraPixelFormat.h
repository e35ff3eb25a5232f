#pragma once

#include <cstddef>

namespace softcam {

// The raw formats the PipeWire camera offers, each from one BGR frame or I420 picture.
// Pictures have the even sides of i420Side(): 4:2:0 and 4:2:2 need them, and an odd frame's
// extra column or row repeats its edge.
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
// The same from a packed I420 picture of an even size (i420Bytes()), rearranged without any
// colour arithmetic: each 2 x 2 block's chroma serves both of its rows in YUY2.
void convertI420(CameraPixelFormat format, const unsigned char* i420, int width, int height,
                 unsigned char* picture);

} // namespace softcam
