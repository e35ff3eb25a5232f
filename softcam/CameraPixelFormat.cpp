#include "softcam/CameraPixelFormat.h"

#include "softcam/BgrToI420.h"

#include <cstring>

namespace softcam {

const char* formatName(CameraPixelFormat format)
{
    switch (format) {
    case CameraPixelFormat::I420:
        return "I420";
    case CameraPixelFormat::NV12:
        return "NV12";
    case CameraPixelFormat::YUY2:
        return "YUY2";
    }
    return "?";
}

int pixelStride(CameraPixelFormat format, int width)
{
    return format == CameraPixelFormat::YUY2 ? 2 * i420Side(width) : i420Side(width);
}

std::size_t pictureBytes(CameraPixelFormat format, int width, int height)
{
    if (format == CameraPixelFormat::YUY2)
        return std::size_t(pixelStride(format, width)) * std::size_t(i420Side(height));
    return i420Bytes(width, height);
}

void convertBgr(CameraPixelFormat format, const unsigned char* bgr, int width, int height,
                unsigned char* picture)
{
    switch (format) {
    case CameraPixelFormat::I420:
        bgrToI420(bgr, width, height, picture);
        return;
    case CameraPixelFormat::NV12:
        bgrToNv12(bgr, width, height, picture);
        return;
    case CameraPixelFormat::YUY2:
        break;
    }
    const int pitch = pixelStride(format, width);
    bgrToYuy2(bgr, width, height, picture, pitch);
    if (width % 2) {
        // The last pixel pairs with itself: its own luma twice and its own colour.
        for (int y = 0; y < height; ++y) {
            unsigned char edge[6];
            std::memcpy(edge, bgr + (std::size_t(y) * width + width - 1) * 3, 3);
            std::memcpy(edge + 3, edge, 3);
            bgrToYuy2(edge, 2, 1, picture + std::size_t(y) * pitch + pitch - 4, 4);
        }
    }
    if (height % 2)
        std::memcpy(picture + std::size_t(height) * pitch,
                    picture + std::size_t(height - 1) * pitch, std::size_t(pitch));
}

void convertI420(CameraPixelFormat format, const unsigned char* i420, int width, int height,
                 unsigned char* picture)
{
    const std::size_t luma = std::size_t(width) * std::size_t(height);
    const std::size_t chroma = luma / 4;
    const unsigned char* u = i420 + luma;
    const unsigned char* v = u + chroma;
    switch (format) {
    case CameraPixelFormat::I420:
        std::memcpy(picture, i420, luma + 2 * chroma);
        return;
    case CameraPixelFormat::NV12:
        std::memcpy(picture, i420, luma);
        for (std::size_t i = 0; i < chroma; ++i) {
            picture[luma + 2 * i] = u[i];
            picture[luma + 2 * i + 1] = v[i];
        }
        return;
    case CameraPixelFormat::YUY2:
        break;
    }
    const int pitch = pixelStride(format, width);
    for (int y = 0; y < height; ++y) {
        const unsigned char* lumaRow = i420 + std::size_t(y) * width;
        const std::size_t chromaRow = std::size_t(y / 2) * (width / 2);
        unsigned char* out = picture + std::size_t(y) * pitch;
        for (int pair = 0; pair < width / 2; ++pair) {
            out[4 * pair] = lumaRow[2 * pair];
            out[4 * pair + 1] = u[chromaRow + pair];
            out[4 * pair + 2] = lumaRow[2 * pair + 1];
            out[4 * pair + 3] = v[chromaRow + pair];
        }
    }
}

} // namespace softcam
