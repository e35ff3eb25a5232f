#include "softcam/I420Planes.h"

#include <cstddef>
#include <cstring>

namespace softcam {
namespace {

// Runs `row(plane row, packed row, bytes)` over the three planes of an even-sized picture in
// the packed order; stops, returning false, when it returns false.
template <typename Byte, typename Row>
bool eachRow(const I420Planes& planes, Byte* packed, int width, int height, Row row)
{
    const struct {
        const unsigned char* data;
        int stride;
        int width;
        int height;
    } layout[3] = {{planes.y, planes.yStride, width, height},
                   {planes.u, planes.uStride, width / 2, height / 2},
                   {planes.v, planes.vStride, width / 2, height / 2}};
    for (const auto& plane : layout) {
        for (int r = 0; r < plane.height; ++r) {
            if (!row(plane.data + std::ptrdiff_t(r) * plane.stride, packed, plane.width))
                return false;
            packed += plane.width;
        }
    }
    return true;
}

} // namespace

bool I420Planes::fit(int width, int height) const
{
    return width > 0 && height > 0 && width % 2 == 0 && height % 2 == 0 && y && u && v
        && yStride >= width && uStride >= width / 2 && vStride >= width / 2;
}

bool I420Planes::sameAs(const unsigned char* i420, int width, int height) const
{
    return eachRow(*this, i420, width, height,
                   [](const unsigned char* row, const unsigned char* packed, int bytes) {
                       return std::memcmp(row, packed, std::size_t(bytes)) == 0;
                   });
}

void I420Planes::pack(unsigned char* i420, int width, int height) const
{
    eachRow(*this, i420, width, height,
            [](const unsigned char* row, unsigned char* packed, int bytes) {
                std::memcpy(packed, row, std::size_t(bytes));
                return true;
            });
}

const unsigned char* I420Planes::packed(int width, int height) const
{
    const std::size_t luma = std::size_t(width) * std::size_t(height);
    const bool tight = yStride == width && uStride == width / 2 && vStride == width / 2;
    return tight && u == y + luma && v == u + luma / 4 ? y : nullptr;
}

} // namespace softcam
