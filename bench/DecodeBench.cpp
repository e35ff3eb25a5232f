// Decode-and-convert through H264Decoder against libavcodec's decode alone with the same
// settings, per picture, on 720p30 and 1080p30 streams at 6 Mbit/s made here with libx264.
// Target: ratio <= 1.10, that is the conversion adds at most 10 % to decoding.

#include "bench/BenchStream.h"
#include "bench/BenchTimer.h"
#include "bench/DecodeAlone.h"
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
    std::vector<std::vector<std::uint8_t>> buffers{stream.config};
    for (const auto& unit : stream.units)
        buffers.push_back(unit.bytes);
    int alone = 0, ours = 0;
    const PairedTiming t = PairedTiming::measureCpu(
        BenchMode::pick(7, 1), [&] { alone = decodeAlone(buffers); },
        [&] { ours = decodeAndConvert(stream); });
    if (alone != options.frames || ours != options.frames) {
        std::fprintf(stderr, "decoded %d and %d pictures of %d\n", alone, ours, options.frames);
        return 1e9;
    }
    std::printf(
        "%4dx%-4d  decode alone %6.3f ms/picture  decode+convert %6.3f ms/picture  ratio %.3f\n",
        width, height, t.baselineMs / options.frames, t.candidateMs / options.frames, t.ratio());
    return t.ratio();
}

} // namespace

int main(int argc, char** argv)
{
    BenchMode::read(argc, argv);
    av_log_set_level(AV_LOG_ERROR);
    std::printf("H264Decoder decode+convert against libavcodec decode alone, 6 Mbit/s, target "
                "ratio <= 1.10\n");
    double worst = 0;
    for (const auto& [w, h] : {std::pair{1280, 720}, std::pair{1920, 1080}})
        worst = std::max(worst, compare(w, h));
    std::printf("worst ratio %.3f: %s\n", worst, worst <= 1.10 ? "met" : "NOT MET");
    return 0;
}
