#include "video/H264Sps.h"

#include <utility>
#include <vector>

namespace {

// Reads the RBSP of one NAL unit (emulation prevention bytes removed) bit by bit. Reading past
// the end sets `overrun` and yields zeros, so a damaged SPS ends in a failed check, not a crash.
class BitReader {
public:
    explicit BitReader(std::vector<std::uint8_t> bytes)
        : bytes(std::move(bytes))
    {
    }

    unsigned bit()
    {
        if (position >= bytes.size() * 8) {
            overrun = true;
            return 0;
        }
        const unsigned value = (bytes[position / 8] >> (7 - position % 8)) & 1;
        ++position;
        return value;
    }
    unsigned bits(int count)
    {
        unsigned value = 0;
        while (count-- > 0)
            value = (value << 1) | bit();
        return value;
    }
    // Exp-Golomb, ue(v); more than 31 leading zeros is damage.
    unsigned ue()
    {
        int zeros = 0;
        while (bit() == 0 && !overrun)
            if (++zeros > 31) {
                overrun = true;
                return 0;
            }
        return ((1u << zeros) - 1) + bits(zeros);
    }
    int se()
    {
        const unsigned code = ue();
        return code & 1 ? int((code + 1) / 2) : -int(code / 2);
    }
    bool overrun = false;

private:
    std::vector<std::uint8_t> bytes;
    std::size_t position = 0;
};

void skipScalingList(BitReader& reader, int size)
{
    int last = 8;
    int next = 8;
    for (int j = 0; j < size && !reader.overrun; ++j) {
        if (next != 0)
            next = (last + reader.se() + 256) % 256;
        last = next == 0 ? last : next;
    }
}

bool highProfile(unsigned profile)
{
    switch (profile) {
    case 100:
    case 110:
    case 122:
    case 244:
    case 44:
    case 83:
    case 86:
    case 118:
    case 128:
    case 138:
    case 139:
    case 134:
    case 135:
        return true;
    default:
        return false;
    }
}

bool parseRbsp(BitReader reader, int& width, int& height)
{
    const unsigned profile = reader.bits(8);
    reader.bits(16); // constraint flags, level
    reader.ue();     // sps id
    unsigned chromaFormat = 1;
    bool separatePlanes = false;
    if (highProfile(profile)) {
        chromaFormat = reader.ue();
        if (chromaFormat == 3)
            separatePlanes = reader.bit();
        reader.ue();  // luma bit depth - 8
        reader.ue();  // chroma bit depth - 8
        reader.bit(); // transform bypass
        if (reader.bit())
            for (int i = 0; i < (chromaFormat != 3 ? 8 : 12); ++i)
                if (reader.bit())
                    skipScalingList(reader, i < 6 ? 16 : 64);
    }
    reader.ue(); // log2 of the largest frame number - 4
    const unsigned pocType = reader.ue();
    if (pocType == 0) {
        reader.ue();
    } else if (pocType == 1) {
        reader.bit();
        reader.se();
        reader.se();
        const unsigned cycle = reader.ue();
        for (unsigned i = 0; i < cycle && i < 256 && !reader.overrun; ++i)
            reader.se();
    }
    reader.ue();  // reference frames
    reader.bit(); // gaps allowed
    const unsigned widthMbs = reader.ue() + 1;
    const unsigned heightUnits = reader.ue() + 1;
    const unsigned frameMbsOnly = reader.bit();
    if (!frameMbsOnly)
        reader.bit();
    reader.bit(); // direct 8x8 inference
    unsigned left = 0, right = 0, top = 0, bottom = 0;
    if (reader.bit()) {
        left = reader.ue();
        right = reader.ue();
        top = reader.ue();
        bottom = reader.ue();
    }
    if (reader.overrun || chromaFormat > 3 || widthMbs > 1024 || heightUnits > 1024)
        return false;
    // Cropping counts in chroma samples, and in field pairs for interlaced streams.
    const bool monochrome = chromaFormat == 0 || separatePlanes;
    const unsigned unitX = monochrome || chromaFormat == 3 ? 1 : 2;
    const unsigned unitY = (monochrome || chromaFormat != 1 ? 1 : 2) * (2 - frameMbsOnly);
    const long long w = 16LL * widthMbs - (long long)unitX * (left + right);
    const long long h = 16LL * heightUnits * (2 - frameMbsOnly) - (long long)unitY * (top + bottom);
    if (w < 1 || h < 1)
        return false;
    width = int(w);
    height = int(h);
    return true;
}

} // namespace

bool H264Sps::parse(const std::uint8_t* data, std::size_t size)
{
    bool found = false;
    std::size_t i = 0;
    while (i + 3 < size) {
        // A start code 00 00 01 (the four-byte form ends the same way).
        if (!(data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1)) {
            ++i;
            continue;
        }
        const std::size_t start = i + 3;
        std::size_t end = start;
        while (end + 2 < size && !(data[end] == 0 && data[end + 1] == 0 && data[end + 2] <= 1))
            ++end;
        if (end + 2 >= size)
            end = size;
        if ((data[start] & 0x1F) == 7) {
            std::vector<std::uint8_t> rbsp;
            rbsp.reserve(end - start);
            int zeros = 0;
            for (std::size_t j = start + 1; j < end; ++j) {
                if (zeros >= 2 && data[j] == 3) {
                    zeros = 0;
                    continue;
                }
                zeros = data[j] == 0 ? zeros + 1 : 0;
                rbsp.push_back(data[j]);
            }
            int w = 0, h = 0;
            if (parseRbsp(BitReader(std::move(rbsp)), w, h)) {
                width = w;
                height = h;
                found = true;
            }
        }
        i = end;
    }
    return found;
}
