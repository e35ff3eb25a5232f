#pragma once

#include "video/FfmpegPtr.h"

#include <cstring>

// libavcodec alone, configured as H264Decoder configures it, without the conversion to BGR: the
// baseline of the live path's cost. `buffers` are the stream's Annex B buffers in order (the
// parameter sets first), each with data() and size(). `between` runs after each buffer (a pause,
// to decode at a stream's pace). Returns the pictures decoded.
template <typename Buffers, typename Between>
int decodeAlone(const Buffers& buffers, Between between)
{
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    AvCodecContextPtr c(avcodec_alloc_context3(codec));
    c->flags |= AV_CODEC_FLAG_LOW_DELAY;
    c->thread_count = 1;
    avcodec_open2(c.get(), codec, nullptr);
    AvFramePtr frame(av_frame_alloc());
    AvPacketPtr packet(av_packet_alloc());
    int pictures = 0;
    for (const auto& bytes : buffers) {
        av_new_packet(packet.get(), int(bytes.size()));
        std::memcpy(packet->data, bytes.data(), std::size_t(bytes.size()));
        avcodec_send_packet(c.get(), packet.get());
        av_packet_unref(packet.get());
        while (avcodec_receive_frame(c.get(), frame.get()) == 0) {
            ++pictures;
            av_frame_unref(frame.get());
        }
        between();
    }
    return pictures;
}

template <typename Buffers> int decodeAlone(const Buffers& buffers)
{
    return decodeAlone(buffers, [] {});
}
