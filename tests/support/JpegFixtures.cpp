#include "JpegFixtures.h"

#include <cstdio>
#include <cstdlib>
#include <random>

#include <jpeglib.h>

namespace testing_support {

RgbPicture MakePhotoLike(int width, int height, unsigned seed)
{
    RgbPicture picture{
        width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> noise(-12, 12);
    auto clamp = [](int x) { return static_cast<std::uint8_t>(x < 0 ? 0 : x > 255 ? 255 : x); };
    std::uint8_t *p = picture.pixels.data();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x, p += 3) {
            p[0] = clamp(x * 255 / width + noise(random));
            p[1] = clamp(y * 255 / height + noise(random));
            p[2] = clamp(((x + y) * 97 / (width + height)) + 80 + noise(random));
        }
    }
    return picture;
}

RgbPicture MakeFlat(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    RgbPicture picture{width, height, {}};
    for (int i = 0; i < width * height; ++i) {
        picture.pixels.insert(picture.pixels.end(), {r, g, b});
    }
    return picture;
}

void PrintTo(JpegKind kind, std::ostream *os)
{
    static const char *const kNames[] = {
        "baseline", "progressive", "grey", "adobe_cmyk", "plain_cmyk"};
    *os << kNames[static_cast<int>(kind)];
}

namespace {

    struct MemoryDestination
    {
        unsigned char *buffer = nullptr;
        unsigned long size = 0;
        ~MemoryDestination() { std::free(buffer); }
        std::vector<std::uint8_t> Bytes() const
        {
            return std::vector<std::uint8_t>(buffer, buffer + size);
        }
    };

} // namespace

std::vector<std::uint8_t> EncodeJpeg(const RgbPicture &picture, const EncodeOptions &options)
{
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    MemoryDestination destination;
    jpeg_mem_dest(&info, &destination.buffer, &destination.size);
    info.image_width = static_cast<JDIMENSION>(picture.width);
    info.image_height = static_cast<JDIMENSION>(picture.height);
    const bool cmyk = options.kind == JpegKind::AdobeCmyk || options.kind == JpegKind::PlainCmyk;
    const bool grey = options.kind == JpegKind::Grey;
    info.input_components = grey ? 1 : cmyk ? 4 : 3;
    info.in_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    info.write_JFIF_header = options.jfif && !options.exifFirst;
    // libjpeg writes the Adobe marker for CMYK by default; without it the data is plain CMYK.
    info.write_Adobe_marker = options.kind == JpegKind::AdobeCmyk;
    jpeg_set_quality(&info, options.quality, TRUE);
    if (options.kind == JpegKind::Progressive) {
        jpeg_simple_progression(&info);
    }
    jpeg_start_compress(&info, TRUE);
    if (options.exifFirst) {
        static const JOCTET kExif[] = {'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0};
        jpeg_write_marker(&info, JPEG_APP0 + 1, kExif, sizeof kExif);
    }
    std::vector<std::uint8_t> row(static_cast<std::size_t>(picture.width) * info.input_components);
    while (info.next_scanline < info.image_height) {
        const std::uint8_t *rgb = picture.At(0, static_cast<int>(info.next_scanline));
        for (int x = 0; x < picture.width; ++x, rgb += 3) {
            if (grey) {
                row[x] = rgb[1];
            } else if (cmyk) {
                // Inverted as Adobe stores it: 255 is no ink. K carries nothing.
                const std::uint8_t k = 255;
                const bool inverted = options.kind == JpegKind::AdobeCmyk;
                row[x * 4 + 0] = inverted ? rgb[0] : 255 - rgb[0];
                row[x * 4 + 1] = inverted ? rgb[1] : 255 - rgb[1];
                row[x * 4 + 2] = inverted ? rgb[2] : 255 - rgb[2];
                row[x * 4 + 3] = inverted ? k : 0;
            } else {
                row[x * 3 + 0] = rgb[0];
                row[x * 3 + 1] = rgb[1];
                row[x * 3 + 2] = rgb[2];
            }
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return destination.Bytes();
}

RgbPicture DecodeReference(const std::vector<std::uint8_t> &jpeg, unsigned denom)
{
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&info, TRUE);
    info.scale_num = 1;
    info.scale_denom = denom;
    info.dct_method = JDCT_IFAST;
    info.do_fancy_upsampling = FALSE;
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    RgbPicture picture{
        static_cast<int>(info.output_width), static_cast<int>(info.output_height), {}};
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[] = {picture.pixels.data()
            + static_cast<std::size_t>(info.output_scanline) * picture.width * 3};
        jpeg_read_scanlines(&info, rows, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return picture;
}

std::vector<std::uint8_t> EncodeReference(const RgbPicture &picture, int quality, bool jfif)
{
    EncodeOptions options;
    options.quality = quality;
    options.jfif = jfif;
    return EncodeJpeg(picture, options);
}

std::vector<JpegSegment> ParseSegments(const std::vector<std::uint8_t> &jpeg)
{
    std::vector<JpegSegment> segments{{0xD8, 0, 2}};
    std::size_t at = 2;
    while (at + 1 < jpeg.size() && jpeg[at] == 0xFF) {
        const std::uint8_t marker = jpeg[at + 1];
        if (marker == 0xD9) {
            segments.push_back({marker, at, at + 2});
            break;
        }
        std::size_t end = at + 2 + (static_cast<std::size_t>(jpeg[at + 2]) << 8 | jpeg[at + 3]);
        if (marker == 0xDA) {
            while (end + 1 < jpeg.size()
                && !(jpeg[end] == 0xFF && jpeg[end + 1] != 0x00
                    && !(jpeg[end + 1] >= 0xD0 && jpeg[end + 1] <= 0xD7))) {
                ++end;
            }
        }
        segments.push_back({marker, at, end});
        at = end;
    }
    return segments;
}

} // namespace testing_support
