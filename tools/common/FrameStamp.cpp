#include "tools/common/FrameStamp.h"

#include <array>
#include <chrono>
#include <cstring>

namespace {

constexpr int kBits = FrameStamp::kColumns * FrameStamp::kRows;
constexpr std::uint16_t kMarker = 0xA5C3;

using Bits = std::array<bool, kBits>;

std::uint16_t crc16(const unsigned char* data, int size)
{
    std::uint16_t crc = 0xFFFF;
    for (int i = 0; i < size; ++i) {
        crc ^= std::uint16_t(data[i]) << 8;
        for (int b = 0; b < 8; ++b)
            crc = (crc & 0x8000) ? std::uint16_t((crc << 1) ^ 0x1021) : std::uint16_t(crc << 1);
    }
    return crc;
}

// Frame number then time, big-endian: the bytes the checksum covers.
std::array<unsigned char, 12> payloadBytes(std::uint32_t frame, std::uint64_t timeUsec)
{
    std::array<unsigned char, 12> bytes{};
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<unsigned char>(frame >> (24 - 8 * i));
    for (int i = 0; i < 8; ++i)
        bytes[4 + i] = static_cast<unsigned char>(timeUsec >> (56 - 8 * i));
    return bytes;
}

void putBits(Bits& bits, int& at, std::uint64_t value, int count)
{
    for (int i = count - 1; i >= 0; --i)
        bits[at++] = (value >> i) & 1;
}

std::uint64_t takeBits(const Bits& bits, int& at, int count)
{
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 1) | (bits[at++] ? 1 : 0);
    return value;
}

Bits toBits(const FrameStamp& stamp)
{
    Bits bits{};
    int at = 0;
    const auto bytes = payloadBytes(stamp.frame, stamp.timeUsec);
    putBits(bits, at, kMarker, 16);
    putBits(bits, at, stamp.frame, 32);
    putBits(bits, at, stamp.timeUsec, 64);
    putBits(bits, at, crc16(bytes.data(), int(bytes.size())), 16);
    return bits;
}

bool fits(int width, int height)
{
    return width >= FrameStamp::kWidth && height >= FrameStamp::kHeight;
}

} // namespace

std::uint64_t FrameStamp::nowUsec()
{
    using namespace std::chrono;
    return std::uint64_t(
        duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

bool FrameStamp::encodeBgr(unsigned char* bgr, int width, int height) const
{
    if (!fits(width, height))
        return false;
    const Bits bits = toBits(*this);
    for (int y = 0; y < kHeight; ++y) {
        unsigned char* row = bgr + std::size_t(y) * std::size_t(width) * 3;
        for (int x = 0; x < kWidth; ++x)
            std::memset(row + x * 3, bits[(y / kBlock) * kColumns + x / kBlock] ? 255 : 0, 3);
    }
    return true;
}

bool FrameStamp::encodeI420(unsigned char* y, int yStride, unsigned char* u, int uStride,
                            unsigned char* v, int vStride, int width, int height) const
{
    if (!fits(width, height))
        return false;
    const Bits bits = toBits(*this);
    // Video range: 16 is black and 235 white after the decoder's conversion.
    for (int row = 0; row < kHeight; ++row)
        for (int x = 0; x < kWidth; ++x)
            y[row * yStride + x] = bits[(row / kBlock) * kColumns + x / kBlock] ? 235 : 16;
    for (int row = 0; row < kHeight / 2; ++row) {
        std::memset(u + row * uStride, 128, kWidth / 2);
        std::memset(v + row * vStride, 128, kWidth / 2);
    }
    return true;
}

std::optional<FrameStamp> FrameStamp::decode(const unsigned char* bgr, int width, int height)
{
    if (!bgr || !fits(width, height))
        return std::nullopt;
    // Average the inner 4x4 pixels of each block: the block edges are where compression and
    // the deblocking filter smear.
    Bits bits{};
    for (int i = 0; i < kBits; ++i) {
        const int x0 = (i % kColumns) * kBlock + 2;
        const int y0 = (i / kColumns) * kBlock + 2;
        int sum = 0;
        for (int yy = y0; yy < y0 + 4; ++yy) {
            const unsigned char* p = bgr + (std::size_t(yy) * std::size_t(width) + x0) * 3;
            for (int k = 0; k < 4 * 3; ++k)
                sum += p[k];
        }
        bits[i] = sum > 128 * 4 * 4 * 3;
    }
    int at = 0;
    if (takeBits(bits, at, 16) != kMarker)
        return std::nullopt;
    FrameStamp stamp;
    stamp.frame = std::uint32_t(takeBits(bits, at, 32));
    stamp.timeUsec = takeBits(bits, at, 64);
    const auto bytes = payloadBytes(stamp.frame, stamp.timeUsec);
    if (takeBits(bits, at, 16) != crc16(bytes.data(), int(bytes.size())))
        return std::nullopt;
    return stamp;
}
