#pragma once

#define STRSAFE_NO_DEPRECATE
#include <dshow.h>

#include <cstddef>
#include <vector>

namespace softcam {

// A picture format the camera's pin offers or a program asks for: VIDEOINFOHEADER media types
// only. RGB24 rows are padded to four bytes and run bottom-up when the height is positive, as
// in a Windows bitmap; the YUV layouts run top-down, rows unpadded, and need even sides.
struct VideoFormat {
    enum Pixel { Rgb24, Yuy2, Nv12, I420 };

    Pixel pixel = Rgb24;
    int width = 0;
    int height = 0;
    bool bottomUp = true;         // RGB24 only
    long long frameTime = 333333; // 100 ns units per frame

    // The formats offered for a camera of this size and rate, preferred first.
    static std::vector<VideoFormat> offered(int width, int height, float fps);
    // False for a media type this pin cannot produce.
    static bool fromMediaType(const AM_MEDIA_TYPE& type, VideoFormat& format);

    std::size_t rowBytes() const;
    std::size_t imageBytes() const;
    // Fills `type` (whose format block it allocates with CoTaskMemAlloc).
    bool toMediaType(AM_MEDIA_TYPE& type) const;

    // Writes one BGR frame (top row first, width * 3 bytes a row) of this format's size into
    void convert(const unsigned char* bgr, unsigned char* out) const;

    bool operator==(const VideoFormat&) const = default;
};

// Media type helpers, for the types that cross the DirectShow interfaces.
void freeMediaType(AM_MEDIA_TYPE& type);
void deleteMediaType(AM_MEDIA_TYPE* type);
bool copyMediaType(AM_MEDIA_TYPE& to, const AM_MEDIA_TYPE& from);
// A CoTaskMemAlloc'ed type, as IEnumMediaTypes and IAMStreamConfig hand out; null on failure.
AM_MEDIA_TYPE* newMediaType(const VideoFormat& format);

} // namespace softcam
