#include "video/YuvToBgrSimd.h"

// Processors without a vector kernel convert every pixel with the scalar formula.
namespace YuvToBgrSimd {

int i420Rows(const std::uint8_t*, const std::uint8_t*, const std::uint8_t*, const std::uint8_t*,
             std::uint8_t*, std::uint8_t*, int)
{
    return 0;
}

int nv12Rows(const std::uint8_t*, const std::uint8_t*, const std::uint8_t*, std::uint8_t*,
             std::uint8_t*, int)
{
    return 0;
}

} // namespace YuvToBgrSimd
