#include "video/YuvToBgrSimd.h"

// Processors without a vector kernel convert every pixel with the scalar formula.
namespace YuvToBgrSimd {

int i420Row(const std::uint8_t*, const std::uint8_t*, const std::uint8_t*, std::uint8_t*, int)
{
    return 0;
}

int nv12Row(const std::uint8_t*, const std::uint8_t*, std::uint8_t*, int)
{
    return 0;
}

} // namespace YuvToBgrSimd
