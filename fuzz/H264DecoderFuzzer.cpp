// The H.264 decoder given a valid sequence and picture parameter set, as a phone sends first,
// and then arbitrary access units. Every picture it hands out must be as large as it says:
// the callback reads each byte.
//
// Input: one byte of options, then access units, each as [length (16-bit little-endian),
// bytes]; the last one takes what is left.
//   option bit 0: the callback resets the decoder at the first picture
//   option bit 1: the callback restarts it instead

#include "video/H264Decoder.h"

#include <cstdint>
#include <cstdlib>

namespace {

// 64x48 Constrained Baseline, as the phone sends its configuration: Annex B with start codes.
const unsigned char spsPps[] = {
    0x00, 0x00, 0x00, 0x01, 0x67, 0x42, 0xc0, 0x0a, 0xda, 0x11, 0xe8, 0x40, 0x00, 0x00, 0x03, 0x00,
    0x40, 0x00, 0x00, 0x0f, 0x23, 0xc4, 0x89, 0xa8, 0x00, 0x00, 0x00, 0x01, 0x68, 0xce, 0x06, 0xf2,
};

volatile unsigned sink;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t options = data[0];
    H264Decoder decoder;
    bool interfered = false;
    unsigned checksum = 0;
    decoder.frameCallback = [&](const unsigned char* bgr, int width, int height,
                                unsigned long long) {
        if (width < 1 || height < 1)
            std::abort();
        for (std::size_t i = 0, n = std::size_t(width) * std::size_t(height) * 3; i < n; ++i)
            checksum += bgr[i];
        if (!interfered && (options & 1))
            decoder.reset();
        else if (!interfered && (options & 2))
            decoder.initialize(64, 48);
        interfered = true;
    };
    if (!decoder.initialize(64, 48))
        std::abort();
    decoder.decode(spsPps, sizeof spsPps, 0);

    unsigned long long pts = 0;
    for (std::size_t pos = 1; pos < size;) {
        std::size_t length = size - pos;
        if (length >= 2) {
            length = std::min<std::size_t>(data[pos] | (data[pos + 1] << 8), size - pos - 2);
            pos += 2;
        }
        decoder.decode(data + pos, length, pts += 33333);
        pos += length;
    }
    sink = checksum; // keeps the reads
    return 0;
}
