#include "tests/video/TestEncoder.h"

#include "video/FfmpegPtr.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
}

TestEncoder::Picture TestEncoder::pattern(int width, int height, int index, bool yuv444)
{
    // Gradients that move with the index plus a bright square, so every picture differs and
    // prediction has real work to do.
    Picture p;
    const int cw = yuv444 ? width : (width + 1) / 2;
    const int ch = yuv444 ? height : (height + 1) / 2;
    p.y.resize(std::size_t(width) * height);
    p.u.resize(std::size_t(cw) * ch);
    p.v.resize(std::size_t(cw) * ch);
    const int square = width / 5;
    const int sx = (index * 7) % (width - square + 1);
    const int sy = (index * 3) % (height - square + 1);
    for (int r = 0; r < height; ++r)
        for (int x = 0; x < width; ++x) {
            const bool inSquare = x >= sx && x < sx + square && r >= sy && r < sy + square;
            p.y[std::size_t(r) * width + x] = std::uint8_t(
                inSquare ? 230 : 20 + (x * 200 / width + r * 40 / height + index * 2) % 200);
        }
    for (int r = 0; r < ch; ++r)
        for (int x = 0; x < cw; ++x) {
            p.u[std::size_t(r) * cw + x] = std::uint8_t(40 + (x * 170 / cw + index) % 170);
            p.v[std::size_t(r) * cw + x] = std::uint8_t(220 - (r * 170 / ch + index) % 170);
        }
    return p;
}

TestEncoder TestEncoder::ofSize(int width, int height, int frames)
{
    TestEncoder stream;
    Options options;
    options.width = width;
    options.height = height;
    options.frames = frames;
    if (!stream.encode(options)) {
        std::fprintf(stderr, "libx264 could not encode the test stream: %s\n",
                     stream.error.c_str());
        std::abort();
    }
    return stream;
}

bool TestEncoder::encode(const Options& o)
{
    config.clear();
    units.clear();
    pictures.clear();
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) {
        error = "libavcodec has no libx264 encoder";
        return false;
    }
    AvCodecContextPtr c(avcodec_alloc_context3(codec));
    AvFramePtr frame(av_frame_alloc());
    AvPacketPtr packet(av_packet_alloc());
    c->width = o.width;
    c->height = o.height;
    c->time_base = AVRational{1, o.fps};
    c->framerate = AVRational{o.fps, 1};
    c->pix_fmt = o.yuv444 ? AV_PIX_FMT_YUV444P : AV_PIX_FMT_YUV420P;
    c->gop_size = o.fps * 2;
    c->max_b_frames = o.bFrames;
    c->thread_count = 2;
    if (!o.inBandHeaders)
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (o.bt601Tagged) {
        c->colorspace = AVCOL_SPC_SMPTE170M;
        c->color_primaries = AVCOL_PRI_SMPTE170M;
        c->color_trc = AVCOL_TRC_SMPTE170M;
        c->color_range = AVCOL_RANGE_MPEG;
    }
    if (o.bitrateKbps > 0) {
        c->bit_rate = o.bitrateKbps * 1000LL;
        c->rc_max_rate = c->bit_rate;
        c->rc_buffer_size = int(c->bit_rate);
    }
    av_opt_set(c->priv_data, "profile", o.profile.c_str(), 0);
    av_opt_set(c->priv_data, "preset", o.preset.c_str(), 0);
    if (!o.tune.empty())
        av_opt_set(c->priv_data, "tune", o.tune.c_str(), 0);
    if (o.bitrateKbps <= 0)
        av_opt_set_int(c->priv_data, "qp", o.qp, 0);
    if (avcodec_open2(c.get(), codec, nullptr) < 0) {
        error = "libx264 refused the settings";
        return false;
    }
    if (!o.inBandHeaders)
        config.assign(c->extradata, c->extradata + c->extradata_size);

    frame->format = c->pix_fmt;
    frame->width = o.width;
    frame->height = o.height;
    if (av_frame_get_buffer(frame.get(), 0) < 0) {
        error = "no frame buffer";
        return false;
    }
    const auto collect = [&]() {
        while (avcodec_receive_packet(c.get(), packet.get()) == 0) {
            AccessUnit unit;
            unit.bytes.assign(packet->data, packet->data + packet->size);
            unit.ptsUsec = (unsigned long long)(packet->pts) * 1000000ULL / unsigned(o.fps);
            units.push_back(std::move(unit));
            av_packet_unref(packet.get());
        }
    };
    for (int i = 0; i < o.frames; ++i) {
        pictures.push_back(pattern(o.width, o.height, i, o.yuv444));
        const Picture& p = pictures.back();
        if (av_frame_make_writable(frame.get()) < 0) {
            error = "frame not writable";
            return false;
        }
        const int cw = o.yuv444 ? o.width : (o.width + 1) / 2;
        const int ch = o.yuv444 ? o.height : (o.height + 1) / 2;
        for (int r = 0; r < o.height; ++r)
            std::memcpy(frame->data[0] + r * frame->linesize[0], &p.y[std::size_t(r) * o.width],
                        o.width);
        for (int r = 0; r < ch; ++r) {
            std::memcpy(frame->data[1] + r * frame->linesize[1], &p.u[std::size_t(r) * cw], cw);
            std::memcpy(frame->data[2] + r * frame->linesize[2], &p.v[std::size_t(r) * cw], cw);
        }
        frame->pts = i;
        if (avcodec_send_frame(c.get(), frame.get()) < 0) {
            error = "libx264 refused a picture";
            return false;
        }
        collect();
    }
    avcodec_send_frame(c.get(), nullptr);
    collect();
    if (int(units.size()) != o.frames) {
        error = "libx264 gave " + std::to_string(units.size()) + " access units for "
            + std::to_string(o.frames) + " pictures";
        return false;
    }
    return true;
}
