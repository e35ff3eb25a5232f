#include "H264TestDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

struct H264TestDecoder::Impl {
    AVCodecContext* codec = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* sws = nullptr;

    ~Impl()
    {
        sws_freeContext(sws);
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&codec);
    }
};

H264TestDecoder::H264TestDecoder()
    : d(std::make_unique<Impl>())
{
    const AVCodec* h264 = avcodec_find_decoder(AV_CODEC_ID_H264);
    d->codec = avcodec_alloc_context3(h264);
    d->frame = av_frame_alloc();
    d->packet = av_packet_alloc();
    d->codec->flags |= AV_CODEC_FLAG_LOW_DELAY;
    d->codec->thread_count = 1;
    if (avcodec_open2(d->codec, h264, nullptr) < 0)
        avcodec_free_context(&d->codec);
}

H264TestDecoder::~H264TestDecoder() = default;

bool H264TestDecoder::isOpen() const
{
    return d->codec != nullptr;
}

std::vector<H264TestDecoder::Picture> H264TestDecoder::decode(const QByteArray& annexB)
{
    std::vector<Picture> pictures;
    if (!d->codec)
        return pictures;
    d->packet->data = reinterpret_cast<uint8_t*>(const_cast<char*>(annexB.constData()));
    d->packet->size = int(annexB.size());
    if (avcodec_send_packet(d->codec, d->packet) < 0)
        return pictures;
    while (avcodec_receive_frame(d->codec, d->frame) == 0) {
        AVFrame* f = d->frame;
        d->sws =
            sws_getCachedContext(d->sws, f->width, f->height, AVPixelFormat(f->format), f->width,
                                 f->height, AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr, nullptr);
        // swscale's vector code may write a little past the last pixel of a row, so it
        // writes into a buffer with slack, cut to the packed size afterwards.
        const size_t size = size_t(f->width) * size_t(f->height) * 3;
        Picture picture{f->width, f->height, std::vector<unsigned char>(size + 256)};
        uint8_t* dst[1] = {picture.bgr.data()};
        const int dstStride[1] = {f->width * 3};
        sws_scale(d->sws, f->data, f->linesize, 0, f->height, dst, dstStride);
        picture.bgr.resize(size);
        pictures.push_back(std::move(picture));
        av_frame_unref(f);
    }
    return pictures;
}
