// Decode-and-convert through H264Decoder against libavcodec's decode alone with the same
// settings, per picture, on 720p30 and 1080p30 streams at 6 Mbit/s made here with libx264.
// Target: ratio <= 1.15, that is the conversion adds at most 15 % to decoding.

#include "bench/BenchStream.h"
#include "bench/BenchTimer.h"
#include "tests/video/TestEncoder.h"
#include "video/FfmpegPtr.h"
#include "video/H264Decoder.h"

#include <cstdio>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
}

namespace {

// libavcodec alone, configured as H264Decoder configures it; returns the pictures decoded.
int decodeAlone(const TestEncoder& stream)
{
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    AvCodecContextPtr c(avcodec_alloc_context3(codec));
    c->flags |= AV_CODEC_FLAG_LOW_DELAY;
    c->thread_count = 1;
    avcodec_open2(c.get(), codec, nullptr);
    AvFramePtr frame(av_frame_alloc());
    AvPacketPtr packet(av_packet_alloc());
    int pictures = 0;
    const auto send = [&](const std::vector<std::uint8_t>& bytes) {
        av_new_packet(packet.get(), int(bytes.size()));
        std::memcpy(packet->data, bytes.data(), bytes.size());
        avcodec_send_packet(c.get(), packet.get());
        av_packet_unref(packet.get());
        while (avcodec_receive_frame(c.get(), frame.get()) == 0) {
            ++pictures;
            av_frame_unref(frame.get());
        }
    };
    send(stream.config);
    for (const auto& unit : stream.units)
        send(unit.bytes);
    return pictures;
}

int decodeAndConvert(const TestEncoder& stream)
{
    H264Decoder decoder;
    int pictures = 0;
    decoder.frameCallback = [&](const unsigned char*, int, int, unsigned long long) { ++pictures; };
    decoder.initialize(1280, 720);
    decoder.decode(stream.config.data(), stream.config.size(), 0);
    for (const auto& unit : stream.units)
        decoder.decode(unit.bytes.data(), unit.bytes.size(), unit.ptsUsec);
    return pictures;
}

double compare(int width, int height)
{
    const TestEncoder::Options options = benchStream(width, height);
    TestEncoder stream;
    if (!stream.encode(options)) {
        std::fprintf(stderr, "cannot make the stream: %s\n", stream.error.c_str());
        return 1e9;
    }
    int alone = 0, ours = 0;
    const PairedTiming t = PairedTiming::measureCpu(
        BenchMode::pick(7, 1), [&] { alone = decodeAlone(stream); },
        [&] { ours = decodeAndConvert(stream); });
    if (alone != options.frames || ours != options.frames) {
        std::fprintf(stderr, "decoded %d and %d pictures of %d\n", alone, ours, options.frames);
        return 1e9;
    }
    std::printf("%4dx%-4d  decode alone %6.3f ms/picture  decode+convert %6.3f ms/picture  ratio %.3f\n",
                width, height, t.baselineMs / options.frames, t.candidateMs / options.frames,
                t.ratio());
    return t.ratio();
}

} // namespace

int main(int argc, char** argv)
{
    BenchMode::read(argc, argv);
    av_log_set_level(AV_LOG_ERROR);
    std::printf("H264Decoder decode+convert against libavcodec decode alone, 6 Mbit/s, target ratio <= 1.15\n");
    double worst = 0;
    for (const auto& [w, h] : {std::pair{1280, 720}, std::pair{1920, 1080}})
        worst = std::max(worst, compare(w, h));
    std::printf("worst ratio %.3f: %s\n", worst, worst <= 1.15 ? "met" : "NOT MET");
    return 0;
}
