#include "WorkingBitmap.h"

#include <cstdint>
#include <cstdlib>
#include <limits>

namespace image {

void CWorkingBitmap::FreeDeleter::operator()(std::uint8_t *bits) const
{
    std::free(bits);
}

CWorkingBitmap::CWorkingBitmap(int width, int height, std::uint8_t *bits)
    : m_width(width)
    , m_height(height)
    , m_stride(StrideFor(width))
    , m_bits(bits)
{ }

std::unique_ptr<CWorkingBitmap> CWorkingBitmap::Create(int width, int height)
{
    if (width <= 0 || height <= 0) {
        return nullptr;
    }
    const std::size_t stride = StrideFor(width);
    if (stride > std::numeric_limits<std::size_t>::max() / static_cast<std::size_t>(height)) {
        return nullptr;
    }
    // calloc: large blocks come as fresh zero pages from the kernel, so zeroing costs nothing.
    auto *bits = static_cast<std::uint8_t *>(std::calloc(stride * height, 1));
    if (!bits) {
        return nullptr;
    }
    return std::unique_ptr<CWorkingBitmap>(new CWorkingBitmap(width, height, bits));
}

} // namespace image
