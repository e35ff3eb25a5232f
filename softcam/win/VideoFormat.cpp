#include "softcam/win/VideoFormat.h"

#include "softcam/BgrToI420.h"
#include "softcam/SharedFrameLayout.h"

#include <cstring>

namespace softcam {
namespace {

// I420 has no name in the platform headers: the FOURCC form of a subtype GUID.
constexpr GUID kSubtypeI420 = {
    0x30323449, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

struct PixelInfo {
    VideoFormat::Pixel pixel;
    const GUID* subtype;
    DWORD compression;
    WORD bitCount;
};

const PixelInfo kPixels[] = {
    {VideoFormat::Rgb24, &MEDIASUBTYPE_RGB24, BI_RGB, 24},
    {VideoFormat::Yuy2, &MEDIASUBTYPE_YUY2, MAKEFOURCC('Y', 'U', 'Y', '2'), 16},
    {VideoFormat::Nv12, &MEDIASUBTYPE_NV12, MAKEFOURCC('N', 'V', '1', '2'), 12},
    {VideoFormat::I420, &kSubtypeI420, MAKEFOURCC('I', '4', '2', '0'), 12},
};

const PixelInfo& infoOf(VideoFormat::Pixel pixel)
{
    for (const PixelInfo& info : kPixels)
        if (info.pixel == pixel)
            return info;
    return kPixels[0];
}

} // namespace

std::vector<VideoFormat> VideoFormat::offered(int width, int height, float fps)
{
    const long long frameTime =
        fps >= 1.0f && fps <= 240.0f ? (long long)(10000000.0 / fps) : 333333;
    std::vector<VideoFormat> formats;
    formats.push_back({Rgb24, width, height, true, frameTime});
    // Video-call programs mostly ask for these; 4:2:x layouts need even sides.
    if (width % 2 == 0 && height % 2 == 0) {
        formats.push_back({Yuy2, width, height, false, frameTime});
        formats.push_back({Nv12, width, height, false, frameTime});
        formats.push_back({I420, width, height, false, frameTime});
    }
    return formats;
}

bool VideoFormat::fromMediaType(const AM_MEDIA_TYPE& type, VideoFormat& format)
{
    if (type.majortype != MEDIATYPE_Video || type.formattype != FORMAT_VideoInfo
        || type.cbFormat < sizeof(VIDEOINFOHEADER) || !type.pbFormat)
        return false;
    const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
    const BITMAPINFOHEADER& bitmap = info->bmiHeader;
    for (const PixelInfo& pixel : kPixels) {
        if (type.subtype != *pixel.subtype)
            continue;
        const long height = bitmap.biHeight < 0 ? -bitmap.biHeight : bitmap.biHeight;
        VideoFormat candidate{pixel.pixel, int(bitmap.biWidth), int(height), bitmap.biHeight > 0,
                              info->AvgTimePerFrame > 0 ? info->AvgTimePerFrame : 333333};
        if (!validCameraSize(candidate.width, candidate.height)
            || bitmap.biBitCount != pixel.bitCount)
            return false;
        if (pixel.pixel != Rgb24
            && (bitmap.biHeight < 0 || candidate.width % 2 || candidate.height % 2))
            return false;
        if (pixel.pixel != Rgb24)
            candidate.bottomUp = false;
        format = candidate;
        return true;
    }
    return false;
}

std::size_t VideoFormat::rowBytes() const
{
    switch (pixel) {
    case Rgb24:
        return (std::size_t(width) * 3 + 3) & ~std::size_t(3);
    case Yuy2:
        return std::size_t(width) * 2;
    default:
        return std::size_t(width);
    }
}

std::size_t VideoFormat::imageBytes() const
{
    if (pixel == Nv12 || pixel == I420)
        return i420Bytes(width, height);
    return rowBytes() * std::size_t(height);
}

bool VideoFormat::toMediaType(AM_MEDIA_TYPE& type) const
{
    const PixelInfo& info = infoOf(pixel);
    auto* video = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
    if (!video)
        return false;
    std::memset(video, 0, sizeof *video);
    video->AvgTimePerFrame = frameTime;
    video->dwBitRate = DWORD(imageBytes() * 8 * (10000000 / (frameTime > 0 ? frameTime : 1)));
    BITMAPINFOHEADER& bitmap = video->bmiHeader;
    bitmap.biSize = sizeof(BITMAPINFOHEADER);
    bitmap.biWidth = width;
    bitmap.biHeight = bottomUp || pixel != Rgb24 ? height : -height;
    bitmap.biPlanes = 1;
    bitmap.biBitCount = info.bitCount;
    bitmap.biCompression = info.compression;
    bitmap.biSizeImage = DWORD(imageBytes());

    std::memset(&type, 0, sizeof type);
    type.majortype = MEDIATYPE_Video;
    type.subtype = *info.subtype;
    type.bFixedSizeSamples = TRUE;
    type.bTemporalCompression = FALSE;
    type.lSampleSize = ULONG(imageBytes());
    type.formattype = FORMAT_VideoInfo;
    type.cbFormat = sizeof(VIDEOINFOHEADER);
    type.pbFormat = reinterpret_cast<BYTE*>(video);
    return true;
}

void VideoFormat::convert(const unsigned char* bgr, unsigned char* out) const
{
    switch (pixel) {
    case Rgb24: {
        const std::size_t tight = std::size_t(width) * 3;
        const std::size_t pitch = rowBytes();
        for (int row = 0; row < height; ++row) {
            const int target = bottomUp ? height - 1 - row : row;
            unsigned char* line = out + std::size_t(target) * pitch;
            std::memcpy(line, bgr + std::size_t(row) * tight, tight);
            std::memset(line + tight, 0, pitch - tight);
        }
        break;
    }
    case Yuy2:
        bgrToYuy2(bgr, width, height, out, int(rowBytes()));
        break;
    case Nv12:
        bgrToNv12(bgr, width, height, out);
        break;
    case I420:
        bgrToI420(bgr, width, height, out);
        break;
    }
}

void freeMediaType(AM_MEDIA_TYPE& type)
{
    if (type.pbFormat)
        CoTaskMemFree(type.pbFormat);
    if (type.pUnk)
        type.pUnk->Release();
    type.pbFormat = nullptr;
    type.cbFormat = 0;
    type.pUnk = nullptr;
}

void deleteMediaType(AM_MEDIA_TYPE* type)
{
    if (!type)
        return;
    freeMediaType(*type);
    CoTaskMemFree(type);
}

bool copyMediaType(AM_MEDIA_TYPE& to, const AM_MEDIA_TYPE& from)
{
    to = from;
    if (from.cbFormat && from.pbFormat) {
        to.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(from.cbFormat));
        if (!to.pbFormat) {
            to.cbFormat = 0;
            to.pUnk = nullptr;
            return false;
        }
        std::memcpy(to.pbFormat, from.pbFormat, from.cbFormat);
    } else {
        to.pbFormat = nullptr;
        to.cbFormat = 0;
    }
    if (to.pUnk)
        to.pUnk->AddRef();
    return true;
}

AM_MEDIA_TYPE* newMediaType(const VideoFormat& format)
{
    auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (type && !format.toMediaType(*type)) {
        CoTaskMemFree(type);
        return nullptr;
    }
    return type;
}

} // namespace softcam
