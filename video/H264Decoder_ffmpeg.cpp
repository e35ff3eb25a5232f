#include "video/H264Decoder.h"

#include "video/BgrBuffer.h"
#include "video/FfmpegLog.h"
#include "video/FfmpegPtr.h"
#include "video/FrameLimits.h"
#include "video/YuvToBgr.h"

#include <QtGlobal>

#include <climits>
#include <cstring>
#include <vector>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/pixdesc.h>
}

namespace {

using FrameLimits::maxSide;

// True when the Annex B buffer carries a coded slice (NAL unit types 1 to 5). libavcodec refuses
// a buffer of parameter sets alone as invalid data, which is no error of the stream.
bool holdsPicture(const unsigned char* data, std::size_t size)
{
    for (std::size_t i = 0; i + 3 < size; ++i) {
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
            const int type = data[i + 3] & 0x1f;
            if (type >= 1 && type <= 5)
                return true;
            i += 2;
        }
    }
    return false;
}

// The picture as unpadded I420 planes: Y, then U, then V, for even sides.
void copyToI420(const AVFrame& f, unsigned char* out)
{
    const std::size_t w = std::size_t(f.width);
    const int h = f.height;
    for (int y = 0; y < h; ++y)
        std::memcpy(out + w * std::size_t(y), f.data[0] + std::ptrdiff_t(f.linesize[0]) * y, w);
    unsigned char* u = out + w * std::size_t(h);
    unsigned char* v = u + (w / 2) * std::size_t(h / 2);
    for (int y = 0; y < h / 2; ++y) {
        unsigned char* uRow = u + (w / 2) * std::size_t(y);
        unsigned char* vRow = v + (w / 2) * std::size_t(y);
        if (f.format == AV_PIX_FMT_NV12) {
            const unsigned char* pairs = f.data[1] + std::ptrdiff_t(f.linesize[1]) * y;
            for (std::size_t x = 0; x < w / 2; ++x) {
                uRow[x] = pairs[2 * x];
                vRow[x] = pairs[2 * x + 1];
            }
        } else {
            std::memcpy(uRow, f.data[1] + std::ptrdiff_t(f.linesize[1]) * y, w / 2);
            std::memcpy(vRow, f.data[2] + std::ptrdiff_t(f.linesize[2]) * y, w / 2);
        }
    }
}

} // namespace

struct H264Decoder::Impl {
    AvCodecContextPtr context;
    AvFramePtr frame{av_frame_alloc()};
    AvPacketPtr packet{av_packet_alloc()};
    BgrBuffer bgr;
    // Bumped whenever the context goes away, so that a drain whose callback reset or restarted
    // the decoder stops instead of touching a freed context.
    unsigned generation = 0;
    bool warnedFormat = false;
    bool warnedError = false; // once per stream: a damaged stream fails on every access unit

    void release()
    {
        if (context) {
            context.reset();
            ++generation;
        }
    }

    // Hands every picture the decoder has ready to the callback. False when the callback ended
    // this decoder's stream.
    bool drain(const H264Decoder& owner)
    {
        while (context && avcodec_receive_frame(context.get(), frame.get()) == 0) {
            const unsigned before = generation;
            deliver(owner);
            av_frame_unref(frame.get());
            if (generation != before)
                return false;
        }
        return true;
    }

    void deliver(const H264Decoder& owner)
    {
        const FrameCallback& callback = owner.frameCallback;
        const PictureWanted& wanted = owner.pictureWanted;
        const AVFrame& f = *frame;
        if (!FrameLimits::accepts(f.width, f.height))
            return;
        const bool supported = f.format == AV_PIX_FMT_YUV420P || f.format == AV_PIX_FMT_YUVJ420P
            || f.format == AV_PIX_FMT_NV12;
        const unsigned long long ptsUsec =
            f.pts == AV_NOPTS_VALUE ? 0 : static_cast<unsigned long long>(f.pts);
        if (supported && wanted && !wanted()) {
            if (callback)
                callback(nullptr, f.width, f.height, ptsUsec);
            return;
        }
        const bool even = f.width % 2 == 0 && f.height % 2 == 0;
        unsigned char* planes = supported && even && owner.planesTarget
            ? owner.planesTarget(f.width, f.height)
            : nullptr;
        if (planes) {
            copyToI420(f, planes);
            if (callback)
                callback(planes, f.width, f.height, ptsUsec);
            return;
        }
        unsigned char* out =
            supported && owner.frameTarget ? owner.frameTarget(f.width, f.height) : nullptr;
        if (supported && !out) {
            bgr.resize(std::size_t(f.width) * std::size_t(f.height) * 3);
            out = bgr.data();
        }
        switch (f.format) {
        case AV_PIX_FMT_YUV420P:
        case AV_PIX_FMT_YUVJ420P:
            YuvToBgr::fromI420(f.data[0], f.linesize[0], f.data[1], f.linesize[1], f.data[2],
                               f.linesize[2], f.width, f.height, out);
            break;
        case AV_PIX_FMT_NV12:
            YuvToBgr::fromNv12(f.data[0], f.linesize[0], f.data[1], f.linesize[1], f.width,
                               f.height, out);
            break;
        default:
            // 4:2:2, 4:4:4, monochrome or more than 8 bits: outside what phones send and what the
            // Windows decoder accepts, so such pictures are dropped.
            if (!warnedFormat) {
                const char* name = av_get_pix_fmt_name(AVPixelFormat(f.format));
                qWarning("Vidlet: H.264 pictures in format %s are not supported, dropping them",
                         name ? name : "unknown");
                warnedFormat = true;
            }
            return;
        }
        if (callback)
            callback(out, f.width, f.height, ptsUsec);
    }
};

H264Decoder::H264Decoder()
    : d(std::make_unique<Impl>())
{
    FfmpegLog::install();
}

H264Decoder::~H264Decoder() = default;

bool H264Decoder::initialize(int width, int height)
{
    reset();
    if (width < 1 || height < 1 || width > maxSide || height > maxSide)
        return false;
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    if (!codec || !d->frame || !d->packet)
        return false;
    AvCodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context)
        return false;
    // Every picture an access unit completes must come out of the same decode() call: low delay,
    // and one thread, because frame threading holds back one picture per extra thread.
    context->flags |= AV_CODEC_FLAG_LOW_DELAY;
    context->thread_count = 1;
    // A stream that claims a larger picture is refused before its buffers are allocated.
    context->max_pixels = FrameLimits::maxPixels;
    context->pkt_timebase = AVRational{1, 1000000};
    if (avcodec_open2(context.get(), codec, nullptr) < 0)
        return false;
    d->context = std::move(context);
    d->warnedFormat = false;
    d->warnedError = false;
    return true;
}

void H264Decoder::decode(const unsigned char* data, std::size_t size, unsigned long long ptsUsec)
{
    if (!d->context || !data || size == 0 || size > std::size_t(INT_MAX))
        return;
    // A copy, because libavcodec reads up to AV_INPUT_BUFFER_PADDING_SIZE bytes past the end.
    AVPacket* packet = d->packet.get();
    if (av_new_packet(packet, int(size)) < 0)
        return;
    std::memcpy(packet->data, data, size);
    packet->pts = static_cast<long long>(ptsUsec);

    // libavcodec raises its reordering delay when damaged input looks out of order, and never
    // lowers it again; a phone stream has no reordering, so every access unit starts at none.
    d->context->has_b_frames = 0;
    int result = avcodec_send_packet(d->context.get(), packet);
    if (result == AVERROR(EAGAIN) && d->drain(*this))
        result = avcodec_send_packet(d->context.get(), packet);
    av_packet_unref(packet);
    if (result < 0 && result != AVERROR(EAGAIN) && d->context && !d->warnedError
        && holdsPicture(data, size)) {
        char reason[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(result, reason, sizeof reason);
        qWarning("Vidlet: H.264 decoder error: %s (further errors of this stream are not logged)",
                 reason);
        d->warnedError = true;
    }
    d->drain(*this);
}

void H264Decoder::reset()
{
    d->release();
}

bool H264Decoder::isInitialized() const
{
    return d->context != nullptr;
}
