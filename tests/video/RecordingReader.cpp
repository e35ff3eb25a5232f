#include "tests/video/RecordingReader.h"

#include "video/FfmpegPtr.h"
#include "video/YuvToBgr.h"

#include <QFile>

#include <cstdlib>
#include <memory>

extern "C" {
#include <libavformat/avformat.h>
}

namespace {
struct FormatClose {
    void operator()(AVFormatContext* format) const { avformat_close_input(&format); }
};
} // namespace

Recording readRecording(const QString& path)
{
    Recording r;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        return r;
    std::unique_ptr<AVFormatContext, FormatClose> format(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0 || raw->nb_streams != 1)
        return r;
    const AVStream* stream = raw->streams[0];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (stream->codecpar->codec_id != AV_CODEC_ID_H264 || !codec)
        return r;
    AvCodecContextPtr decoder(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(decoder.get(), stream->codecpar);
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return r;
    r.width = stream->codecpar->width;
    r.height = stream->codecpar->height;
    r.fps = av_q2d(stream->avg_frame_rate);
    r.seconds = stream->duration * av_q2d(stream->time_base);

    AvPacketPtr packet(av_packet_alloc());
    AvFramePtr picture(av_frame_alloc());
    auto collect = [&] {
        while (avcodec_receive_frame(decoder.get(), picture.get()) == 0) {
            std::vector<unsigned char> bgr(std::size_t(picture->width) * picture->height * 3);
            YuvToBgr::fromI420(picture->data[0], picture->linesize[0], picture->data[1],
                               picture->linesize[1], picture->data[2], picture->linesize[2],
                               picture->width, picture->height, bgr.data());
            r.frames.push_back(std::move(bgr));
            r.times.push_back(double(picture->best_effort_timestamp) * av_q2d(stream->time_base));
            av_frame_unref(picture.get());
        }
    };
    while (av_read_frame(raw, packet.get()) == 0) {
        avcodec_send_packet(decoder.get(), packet.get());
        av_packet_unref(packet.get());
        collect();
    }
    avcodec_send_packet(decoder.get(), nullptr);
    collect();
    r.readable = true;
    return r;
}

bool nearColour(const unsigned char* bgr, const Bgr& want, int tolerance)
{
    for (int i = 0; i < 3; ++i)
        if (std::abs(int(bgr[i]) - int(want[i])) > tolerance)
            return false;
    return true;
}

QString describeColour(const unsigned char* bgr)
{
    return QString("%1,%2,%3").arg(bgr[0]).arg(bgr[1]).arg(bgr[2]);
}
