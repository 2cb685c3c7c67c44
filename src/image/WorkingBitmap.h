#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace image {

// The one in-memory picture format: 24 bits per pixel in the byte order B, G, R, rows bottom-up
// (memory row 0 is the bottom of the picture), each row padded to a multiple of 4 bytes.
class CWorkingBitmap
{
public:
    // A zero-filled bitmap, or nullptr when the size is not positive or memory is short.
    static std::unique_ptr<CWorkingBitmap> Create(int width, int height);

    // Bytes per row: width × 3 rounded up to a multiple of 4.
    static std::size_t StrideFor(int width)
    {
        return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t(3);
    }

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    std::size_t Stride() const { return m_stride; }
    std::uint8_t *Bits() { return m_bits.get(); }
    const std::uint8_t *Bits() const { return m_bits.get(); }
    // Memory row `row`, counted from the bottom of the picture.
    std::uint8_t *MemoryRow(int row) { return m_bits.get() + m_stride * row; }
    const std::uint8_t *MemoryRow(int row) const { return m_bits.get() + m_stride * row; }
    // Picture row `row`, counted from the top.
    std::uint8_t *PictureRow(int row) { return MemoryRow(m_height - 1 - row); }
    const std::uint8_t *PictureRow(int row) const { return MemoryRow(m_height - 1 - row); }

private:
    struct FreeDeleter
    {
        void operator()(std::uint8_t *bits) const;
    };

    CWorkingBitmap(int width, int height, std::uint8_t *bits);

    int m_width;
    int m_height;
    std::size_t m_stride;
    std::unique_ptr<std::uint8_t, FreeDeleter> m_bits;
};

} // namespace image
