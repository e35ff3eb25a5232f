#include "tests/video/RecordingReader.h"

#include "video/FfmpegPtr.h"
#include "video/YuvToBgr.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/display.h>
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
    if (const auto* matrix = reinterpret_cast<const std::int32_t*>(
            av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr)))
        r.clockwiseDegrees = (360 - int(std::lround(av_display_rotation_get(matrix)))) % 360;
    // The file's form (avcC): each NAL unit after its length in this many bytes.
    const AVCodecParameters* p = stream->codecpar;
    const int lengthBytes =
        p->extradata_size > 4 && p->extradata[0] == 1 ? (p->extradata[4] & 3) + 1 : 0;
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
        QByteArrayList nals;
        for (int at = 0; lengthBytes && at + lengthBytes <= packet->size;) {
            int length = 0;
            for (int i = 0; i < lengthBytes; ++i)
                length = (length << 8) | packet->data[at + i];
            at += lengthBytes;
            nals << QByteArray(reinterpret_cast<const char*>(packet->data + at),
                               std::min(length, packet->size - at));
            at += length;
        }
        r.packetNals.push_back(nals);
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

QByteArrayList annexBNals(const QByteArray& annexB)
{
    QByteArrayList nals;
    qsizetype start = -1;
    for (qsizetype i = 0; i + 2 < annexB.size(); ++i) {
        if (annexB[i] != 0 || annexB[i + 1] != 0 || annexB[i + 2] != 1)
            continue;
        if (start >= 0) {
            qsizetype end = i;
            while (end > start && annexB[end - 1] == 0)
                --end; // a four-byte start code's leading zero
            nals << annexB.mid(start, end - start);
        }
        start = i + 3;
        i += 2;
    }
    if (start >= 0)
        nals << annexB.mid(start);
    return nals;
}
