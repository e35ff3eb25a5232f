// Writes the streams the Windows decoder's test decodes under Wine, each with the pictures this
// platform's H264Decoder makes of it, into the folder named on the command line:
//
//   cases.txt          one line per stream: name, how to compare, the size to initialise with
//   <name>.h264s       the buffers to feed, in StreamFile's stream layout
//   <name>.bgr         this decoder's pictures of them, in StreamFile's picture layout
//
// Comparisons: "exact" (SD: every platform decoder agrees byte for byte), "hd601" and "hd709"
// (HD tagged BT.601 or untagged, which Wine's decoder passes through a colour conversion of its
// own), "damaged" (no reference: must not crash), "sizechange" (a second SPS mid-stream).
#include "tests/video/StreamFile.h"
#include "tests/video/TestEncoder.h"
#include "video/H264Decoder.h"

#include <cstdio>
#include <string>

extern "C" {
#include <libavutil/log.h>
}
#include <vector>

namespace {

struct Case {
    const char* name;
    const char* comparison;
    TestEncoder::Options options;
};

TestEncoder::Options options(const char* profile, int width, int height, int frames,
                             bool bt601Tagged)
{
    TestEncoder::Options o;
    o.profile = profile;
    o.width = width;
    o.height = height;
    o.frames = frames;
    o.bt601Tagged = bt601Tagged;
    return o;
}

std::vector<StreamFile::Record> buffersOf(const TestEncoder& stream)
{
    std::vector<StreamFile::Record> buffers;
    if (!stream.config.empty())
        buffers.push_back({0, 0, 0, stream.config});
    for (const auto& unit : stream.units)
        buffers.push_back({0, 0, unit.ptsUsec, unit.bytes});
    return buffers;
}

std::vector<StreamFile::Record> decode(const std::vector<StreamFile::Record>& buffers, int width,
                                       int height)
{
    std::vector<StreamFile::Record> pictures;
    H264Decoder decoder;
    decoder.frameCallback = [&](const unsigned char* bgr, int w, int h, unsigned long long pts) {
        pictures.push_back({w, h, pts, {bgr, bgr + std::size_t(w) * h * 3}});
    };
    decoder.initialize(width, height);
    for (const auto& buffer : buffers)
        decoder.decode(buffer.bytes.data(), buffer.bytes.size(), buffer.ptsUsec);
    return pictures;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    av_log_set_level(AV_LOG_ERROR);
    const std::string folder = std::string(argv[1]) + "/";
    const Case cases[] = {
        {"baseline-320x240", "exact", options("baseline", 320, 240, 30, false)},
        {"main-640x360", "exact", options("main", 640, 360, 20, false)},
        {"high-322x242", "exact", options("high", 322, 242, 20, false)},
        {"high-1920x1080-bt601", "hd601", options("high", 1920, 1080, 4, true)},
        {"portrait-1080x1920-bt601", "hd601", options("high", 1080, 1920, 4, true)},
        {"high-1280x720", "hd709", options("high", 1280, 720, 4, false)},
        {"damaged-320x240", "damaged", options("baseline", 320, 240, 30, false)},
    };
    std::FILE* manifest = std::fopen((folder + "cases.txt").c_str(), "w");
    if (!manifest) {
        std::perror(folder.c_str());
        return 1;
    }
    for (const Case& c : cases) {
        TestEncoder stream;
        if (!stream.encode(c.options)) {
            std::fprintf(stderr, "%s: %s\n", c.name, stream.error.c_str());
            return 1;
        }
        std::vector<StreamFile::Record> buffers = buffersOf(stream);
        if (std::string(c.comparison) == "damaged") {
            // Flip bytes inside the slice data of a few access units, past their headers.
            for (std::size_t i = 10; i < 14 && i < buffers.size(); ++i)
                for (std::size_t at = 12; at < buffers[i].bytes.size(); at += 7)
                    buffers[i].bytes[at] ^= 0x5A;
        }
        const int w = c.options.width;
        const int h = c.options.height;
        if (!StreamFile::write(folder + c.name + ".h264s", buffers, false)
            || !StreamFile::write(folder + c.name + ".bgr", decode(buffers, w, h), true))
            return 1;
        std::fprintf(manifest, "%s %s %d %d\n", c.name, c.comparison, w, h);
    }

    // One decoder session whose stream changes size: 320x240, then a new SPS for 176x144.
    TestEncoder first;
    TestEncoder second;
    if (!first.encode(options("baseline", 320, 240, 10, false))
        || !second.encode(options("baseline", 176, 144, 10, false)))
        return 1;
    std::vector<StreamFile::Record> buffers = buffersOf(first);
    for (StreamFile::Record& buffer : buffersOf(second)) {
        buffer.ptsUsec += 1000000;
        buffers.push_back(std::move(buffer));
    }
    if (!StreamFile::write(folder + "sizechange.h264s", buffers, false)
        || !StreamFile::write(folder + "sizechange.bgr", decode(buffers, 320, 240), true))
        return 1;
    std::fprintf(manifest, "sizechange sizechange 320 240\n");
    return std::fclose(manifest) == 0 ? 0 : 1;
}
