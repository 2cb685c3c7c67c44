#include <algorithm>
#include <cstring>
#include <tuple>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "image/PhotoImage.h"
#include "support/JpegFixtures.h"
#include "support/TempDir.h"

using image::CPhotoImage;
using namespace testing_support;

namespace {

class LoadJpeg : public ::testing::Test
{
protected:
    std::string Write(const std::string &name, const std::vector<std::uint8_t> &bytes)
    {
        const std::string path = m_dir.File(name);
        WriteFile(path, bytes);
        return path;
    }

    CTempDir m_dir;
    CPhotoImage m_image;
};

struct ScaleCase
{
    int denom;
    int width, height;
};

void PrintTo(const ScaleCase &c, std::ostream *os)
{
    *os << "denom_" << c.denom;
}

class LoadJpegScale : public LoadJpeg, public ::testing::WithParamInterface<ScaleCase>
{ };

TEST_P(LoadJpegScale, OutputSizeIsSourceOverOneOfFourFractionsRoundedUp)
{
    static const std::vector<std::uint8_t> jpeg = EncodeJpeg(MakePhotoLike(1001, 667));
    ASSERT_TRUE(m_image.LoadJpeg(Write("p.jpg", jpeg), GetParam().denom));
    EXPECT_EQ(m_image.m_bitmap->Width(), GetParam().width);
    EXPECT_EQ(m_image.m_bitmap->Height(), GetParam().height);
    EXPECT_EQ(m_image.m_width, GetParam().width);
    EXPECT_EQ(m_image.m_height, GetParam().height);
}

INSTANTIATE_TEST_SUITE_P(Denominators, LoadJpegScale,
    ::testing::Values(ScaleCase{1, 1001, 667}, ScaleCase{2, 501, 334}, ScaleCase{4, 251, 167},
        ScaleCase{8, 126, 84}, ScaleCase{0, 1001, 667}, ScaleCase{3, 501, 334},
        ScaleCase{5, 251, 167}, ScaleCase{6, 251, 167}, ScaleCase{16, 126, 84},
        ScaleCase{-1, 126, 84}));

// Every pixel, at every scale, as a plain RGB decode with the same settings gives it, stored
// B,G,R bottom-up: the top-left pixel sits at (height - 1) × stride with blue first.
class LoadJpegPixels : public LoadJpeg,
                       public ::testing::WithParamInterface<std::tuple<JpegKind, unsigned>>
{ };

TEST_P(LoadJpegPixels, MatchPlainDecodeInBitmapLayout)
{
    const auto [kind, denom] = GetParam();
    EncodeOptions options;
    options.kind = kind;
    const std::vector<std::uint8_t> jpeg = EncodeJpeg(MakePhotoLike(203, 61), options);
    ASSERT_TRUE(m_image.LoadJpeg(Write("p.jpg", jpeg), static_cast<int>(denom)));
    const RgbPicture expected = DecodeReference(jpeg, denom);
    const image::CWorkingBitmap &bitmap = *m_image.m_bitmap;
    ASSERT_EQ(bitmap.Width(), expected.width);
    ASSERT_EQ(bitmap.Height(), expected.height);
    EXPECT_EQ(bitmap.Stride() % 4, 0u);
    EXPECT_EQ(bitmap.Bits()[(expected.height - 1) * bitmap.Stride()], expected.At(0, 0)[2]);
    for (int y = 0; y < expected.height; ++y) {
        const std::uint8_t *row = bitmap.Bits() + (expected.height - 1 - y) * bitmap.Stride();
        for (int x = 0; x < expected.width; ++x) {
            const std::uint8_t *want = expected.At(x, y);
            ASSERT_EQ(row[x * 3 + 0], want[2]) << x << "," << y;
            ASSERT_EQ(row[x * 3 + 1], want[1]) << x << "," << y;
            ASSERT_EQ(row[x * 3 + 2], want[0]) << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(KindsAndScales, LoadJpegPixels,
    ::testing::Combine(::testing::Values(JpegKind::Baseline, JpegKind::Progressive, JpegKind::Grey),
        ::testing::Values(1u, 2u, 4u, 8u)));

TEST_F(LoadJpeg, StrideIsRowBytesRoundedUpToFour)
{
    for (const auto &[width, stride] : {std::pair{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}}) {
        ASSERT_TRUE(m_image.LoadJpeg(Write("p.jpg", EncodeJpeg(MakeFlat(width, 3, 9, 9, 9))), 1));
        EXPECT_EQ(m_image.m_bitmap->Stride(), static_cast<std::size_t>(stride));
        EXPECT_EQ(m_image.m_stride, stride);
    }
}

TEST_F(LoadJpeg, CmykIsConvertedToRgbMindingAdobeInversion)
{
    for (const JpegKind kind : {JpegKind::AdobeCmyk, JpegKind::PlainCmyk}) {
        EncodeOptions options;
        options.kind = kind;
        options.quality = 100;
        ASSERT_TRUE(m_image.LoadJpeg(
            Write("c.jpg", EncodeJpeg(MakeFlat(16, 16, 200, 120, 40), options)), 1));
        const std::uint8_t *pixel = m_image.m_bitmap->Bits();
        EXPECT_NEAR(pixel[2], 200, 3);
        EXPECT_NEAR(pixel[1], 120, 3);
        EXPECT_NEAR(pixel[0], 40, 3);
    }
}

TEST_F(LoadJpeg, ExifFlagLooksAtTheFirstSegmentOnly)
{
    const RgbPicture picture = MakeFlat(8, 8, 1, 2, 3);
    EncodeOptions exif;
    exif.exifFirst = true;
    ASSERT_TRUE(m_image.LoadJpeg(Write("e.jpg", EncodeJpeg(picture, exif)), 1));
    EXPECT_EQ(m_image.m_exif, 1);

    ASSERT_TRUE(m_image.LoadJpeg(Write("j.jpg", EncodeJpeg(picture)), 1));
    EXPECT_EQ(m_image.m_exif, 0);

    // JFIF first, then an EXIF segment: still 0.
    std::vector<std::uint8_t> jfifThenExif = EncodeJpeg(picture);
    const std::vector<std::uint8_t> exifOnly = EncodeJpeg(picture, exif);
    const JpegSegment app1 = ParseSegments(exifOnly)[1];
    ASSERT_EQ(app1.marker, 0xE1);
    const JpegSegment app0 = ParseSegments(jfifThenExif)[1];
    ASSERT_EQ(app0.marker, 0xE0);
    jfifThenExif.insert(jfifThenExif.begin() + app0.end, exifOnly.begin() + app1.begin,
        exifOnly.begin() + app1.end);
    ASSERT_TRUE(m_image.LoadJpeg(Write("je.jpg", jfifThenExif), 1));
    EXPECT_EQ(m_image.m_exif, 0);
}

TEST_F(LoadJpeg, FailureEmptiesTheSlotAndReleasesTheFile)
{
    ASSERT_TRUE(m_image.LoadJpeg(Write("good.jpg", EncodeJpeg(MakeFlat(8, 8, 1, 2, 3))), 1));
    const int filesBefore = OpenFileCount();
    const std::string text = Write("notes.jpg",
        std::vector<std::uint8_t>{
            'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '\n'});
    const std::string missing = m_dir.File("missing.jpg");
    for (const std::string &path :
        {missing, text, m_dir.Path(), Write("short.jpg", {0xFF, 0xD8})}) {
        SCOPED_TRACE(path);
        ASSERT_TRUE(m_image.LoadJpeg(m_dir.File("good.jpg"), 1));
        EXPECT_FALSE(m_image.LoadJpeg(path, 1));
        EXPECT_EQ(m_image.m_bitmap, nullptr);
        EXPECT_EQ(m_image.m_exif, 0);
        EXPECT_FALSE(m_image.LastError().empty());
        EXPECT_EQ(OpenFileCount(), filesBefore);
    }
}

TEST_F(LoadJpeg, ShortFileIsNamedForWhatItHolds)
{
    EXPECT_FALSE(m_image.LoadJpeg(Write("hello.jpg", {'h', 'e', 'l', 'l', 'o'}), 1));
    EXPECT_EQ(m_image.LastError().rfind("Not a JPEG file", 0), 0u) << m_image.LastError();
}

TEST_F(LoadJpeg, FifoIsRefusedWithoutBlocking)
{
    const std::string fifo = m_dir.File("pipe.jpg");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(m_image.LoadJpeg(fifo, 1));
}

TEST_F(LoadJpeg, TruncatedDataStillLoadsWithAWarning)
{
    std::vector<std::uint8_t> jpeg = EncodeJpeg(MakePhotoLike(160, 120));
    jpeg.resize(jpeg.size() / 2);
    ASSERT_TRUE(m_image.LoadJpeg(Write("cut.jpg", jpeg), 2));
    EXPECT_EQ(m_image.m_bitmap->Width(), 80);
    EXPECT_FALSE(m_image.LastWarning().empty());
}

// A header claiming 65500 × 65500 over a few bytes of data must fail at once, not allocate
// gigabytes (which overcommit would grant) and decode for minutes.
TEST_F(LoadJpeg, HugeDeclaredSizeFailsBeforeDecoding)
{
    for (const JpegKind kind : {JpegKind::Baseline, JpegKind::Progressive}) {
        EncodeOptions options;
        options.kind = kind;
        std::vector<std::uint8_t> jpeg = EncodeJpeg(MakeFlat(16, 16, 1, 2, 3), options);
        for (const JpegSegment &segment : ParseSegments(jpeg)) {
            if (segment.marker == 0xC0 || segment.marker == 0xC2) {
                for (const std::size_t at : {segment.begin + 5, segment.begin + 7}) {
                    jpeg[at] = 0xFF;
                    jpeg[at + 1] = 0xDC; // 65500
                }
            }
        }
        for (const int denom : {1, 8}) {
            EXPECT_FALSE(m_image.LoadJpeg(Write("huge.jpg", jpeg), denom));
            EXPECT_EQ(m_image.LastError(), "picture too large");
        }
    }
}

TEST_F(LoadJpeg, EndlesslyRepeatedScansAreCut)
{
    EncodeOptions options;
    options.kind = JpegKind::Progressive;
    const std::vector<std::uint8_t> jpeg = EncodeJpeg(MakePhotoLike(64, 64), options);
    const std::vector<JpegSegment> segments = ParseSegments(jpeg);
    const JpegSegment &firstScan = *std::find_if(
        segments.begin(), segments.end(), [](const JpegSegment &s) { return s.marker == 0xDA; });
    std::vector<std::uint8_t> hostile(jpeg.begin(), jpeg.end() - 2);
    for (int i = 0; i < image::kMaxProgressiveScans + 10; ++i) {
        hostile.insert(hostile.end(), jpeg.begin() + firstScan.begin, jpeg.begin() + firstScan.end);
    }
    hostile.insert(hostile.end(), {0xFF, 0xD9});
    EXPECT_FALSE(m_image.LoadJpeg(Write("scans.jpg", hostile), 1));
    EXPECT_EQ(m_image.LastError(), "too many progressive scans");
    EXPECT_EQ(m_image.m_bitmap, nullptr);
}

// A second frame header after the last row is only seen by jpeg_finish_decompress.
TEST_F(LoadJpeg, ErrorAfterTheLastRowStillFailsCleanly)
{
    const std::vector<std::uint8_t> jpeg = EncodeJpeg(MakePhotoLike(32, 32));
    const std::vector<JpegSegment> segments = ParseSegments(jpeg);
    const JpegSegment &frame = *std::find_if(
        segments.begin(), segments.end(), [](const JpegSegment &s) { return s.marker == 0xC0; });
    std::vector<std::uint8_t> hostile(jpeg.begin(), jpeg.end() - 2);
    hostile.insert(hostile.end(), jpeg.begin() + frame.begin, jpeg.begin() + frame.end);
    hostile.insert(hostile.end(), {0xFF, 0xD9});
    const int filesBefore = OpenFileCount();
    EXPECT_FALSE(m_image.LoadJpeg(Write("late.jpg", hostile), 1));
    EXPECT_EQ(m_image.m_bitmap, nullptr);
    EXPECT_EQ(OpenFileCount(), filesBefore);
}

} // namespace
