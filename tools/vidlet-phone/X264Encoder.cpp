#include "tools/vidlet-phone/X264Encoder.h"

#include "video/FfmpegPtr.h"

#include <cstdio>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
}

namespace {

void report(const char* what, int err)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, text, sizeof text);
    std::fprintf(stderr, "vidlet-phone: %s: %s\n", what, text);
}

} // namespace

struct X264Encoder::Impl {
    AvCodecContextPtr codec;
    AvFramePtr frame;
    AvPacketPtr packet;
};

X264Encoder::X264Encoder()
    : d(std::make_unique<Impl>())
{
}
X264Encoder::~X264Encoder() = default;

bool X264Encoder::open(int width, int height, int fps, int bitrateKbps, int gopFrames)
{
    const AVCodec* x264 = avcodec_find_encoder_by_name("libx264");
    if (!x264) {
        std::fprintf(stderr, "vidlet-phone: libavcodec has no libx264 encoder\n");
        return false;
    }
    d->codec.reset(avcodec_alloc_context3(x264));
    d->frame.reset(av_frame_alloc());
    d->packet.reset(av_packet_alloc());
    if (!d->codec || !d->frame || !d->packet)
        return false;
    AVCodecContext* c = d->codec.get();
    c->width = width;
    c->height = height;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->time_base = AVRational{1, 1000000};
    c->framerate = AVRational{fps, 1};
    c->bit_rate = int64_t(bitrateKbps) * 1000;
    c->rc_max_rate = c->bit_rate;
    c->rc_buffer_size = int(c->bit_rate);
    c->gop_size = gopFrames;
    c->max_b_frames = 0;
    // One thread: the PC under test shares this machine's two cores.
    c->thread_count = 1;
    av_opt_set(c->priv_data, "preset", "ultrafast", 0);
    av_opt_set(c->priv_data, "tune", "zerolatency", 0);
    // A forced key frame must be an IDR, so a decoder that starts there can decode it.
    av_opt_set_int(c->priv_data, "forced-idr", 1, 0);
    if (int err = avcodec_open2(c, x264, nullptr); err < 0) {
        report("cannot open libx264", err);
        return false;
    }
    AVFrame* f = d->frame.get();
    f->format = AV_PIX_FMT_YUV420P;
    f->width = width;
    f->height = height;
    if (int err = av_frame_get_buffer(f, 0); err < 0) {
        report("cannot allocate a picture", err);
        return false;
    }
    return true;
}

X264Encoder::Picture X264Encoder::picture()
{
    AVFrame* f = d->frame.get();
    if (av_frame_make_writable(f) < 0)
        return {};
    return {f->data[0], f->data[1], f->data[2], f->linesize[0], f->linesize[1], f->linesize[2]};
}

std::optional<X264Encoder::AccessUnit> X264Encoder::encode(qint64 pts, bool forceKey)
{
    AVFrame* f = d->frame.get();
    f->pts = pts;
    f->pict_type = forceKey ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    if (int err = avcodec_send_frame(d->codec.get(), f); err < 0) {
        report("cannot encode", err);
        return std::nullopt;
    }
    AccessUnit unit;
    // Zero latency gives one packet per picture; collect whatever is ready all the same.
    while (avcodec_receive_packet(d->codec.get(), d->packet.get()) == 0) {
        unit.annexB.append(reinterpret_cast<const char*>(d->packet->data), d->packet->size);
        unit.keyframe = unit.keyframe || (d->packet->flags & AV_PKT_FLAG_KEY);
        av_packet_unref(d->packet.get());
    }
    if (unit.annexB.isEmpty())
        return std::nullopt;
    return unit;
}

QByteArray X264Encoder::parameterSets(const QByteArray& annexB)
{
    static const QByteArray startCode("\x00\x00\x01", 3);
    QByteArray sets;
    qsizetype at = annexB.indexOf(startCode);
    while (at >= 0) {
        const qsizetype nal = at + 3;
        qsizetype next = annexB.indexOf(startCode, nal);
        qsizetype end = next < 0 ? annexB.size() : next;
        // A zero before the next start code belongs to its four-byte form.
        while (next >= 0 && end > nal && annexB[end - 1] == 0)
            --end;
        if (nal < annexB.size()) {
            const int type = annexB[nal] & 0x1F;
            if (type == 7 || type == 8)
                sets.append(QByteArray("\x00\x00\x00\x01", 4)).append(annexB.mid(nal, end - nal));
        }
        at = next;
    }
    return sets;
}
