#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

// Small JPEG fixtures made in the test run with the same library as the product, and a plain
// libjpeg decoder and encoder that follow the product's steps, as references.
namespace testing_support {

// A packed R,G,B picture, top row first.
struct RgbPicture
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    const std::uint8_t *At(int x, int y) const
    {
        return pixels.data() + (static_cast<std::size_t>(y) * width + x) * 3;
    }
};

// Smooth colour gradients with some noise, like a photo; the same for the same arguments.
RgbPicture MakePhotoLike(int width, int height, unsigned seed = 1);
// One colour everywhere.
RgbPicture MakeFlat(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b);

enum class JpegKind
{
    Baseline,
    Progressive,
    Grey,
    AdobeCmyk,
    PlainCmyk
};
void PrintTo(JpegKind kind, std::ostream *os);

struct EncodeOptions
{
    int quality = 90;
    JpegKind kind = JpegKind::Baseline;
    bool jfif = true;
    bool exifFirst = false; // an APP1 "Exif" segment right after the start of image
};

std::vector<std::uint8_t> EncodeJpeg(const RgbPicture &picture, const EncodeOptions &options = {});

// A plain decode: scale 1/denom, fast integer DCT, no fancy upsampling, RGB out.
RgbPicture DecodeReference(const std::vector<std::uint8_t> &jpeg, unsigned denom);

// A plain encode from R,G,B rows: library defaults, quality forced to baseline tables.
std::vector<std::uint8_t> EncodeReference(const RgbPicture &picture, int quality, bool jfif);

// One marker segment of a JPEG file: [begin, end) covers the marker, its parameters and, for a
// start of scan, the entropy-coded data that follows it.
struct JpegSegment
{
    std::uint8_t marker;
    std::size_t begin;
    std::size_t end;
};

// The segments of a well-formed JPEG in file order, from the start of image to the end of image.
std::vector<JpegSegment> ParseSegments(const std::vector<std::uint8_t> &jpeg);

} // namespace testing_support
