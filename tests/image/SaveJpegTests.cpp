#include <csignal>
#include <cstdio>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "image/PhotoImage.h"
#include "settings/Settings.h"
#include "support/JpegFixtures.h"
#include "support/TempDir.h"

using image::ColorShift;
using image::CPhotoImage;
using image::CWorkingBitmap;
using namespace testing_support;

namespace {

std::unique_ptr<CWorkingBitmap> BitmapOf(const RgbPicture &picture)
{
    auto bitmap = CWorkingBitmap::Create(picture.width, picture.height);
    for (int y = 0; y < picture.height; ++y) {
        std::uint8_t *row = bitmap->PictureRow(y);
        for (int x = 0; x < picture.width; ++x) {
            row[x * 3 + 0] = picture.At(x, y)[2];
            row[x * 3 + 1] = picture.At(x, y)[1];
            row[x * 3 + 2] = picture.At(x, y)[0];
        }
    }
    return bitmap;
}

RgbPicture Adjusted(RgbPicture picture, const ColorShift &shift)
{
    for (std::size_t i = 0; i < picture.pixels.size(); i += 3) {
        image::AdjustPixelReference(
            shift, picture.pixels[i], picture.pixels[i + 1], picture.pixels[i + 2]);
    }
    return picture;
}

class SaveJpeg : public ::testing::Test
{
protected:
    CTempDir m_dir;
    CPhotoImage m_image;
};

struct SaveCase
{
    ColorShift shift;
    int quality;
    int exif;
};

void PrintTo(const SaveCase &c, std::ostream *os)
{
    *os << (c.shift.enabled ? "colour" : "plain") << "_q" << c.quality << "_exif" << c.exif;
}

class SaveJpegBytes : public SaveJpeg, public ::testing::WithParamInterface<SaveCase>
{ };

// The bytes of a plain libjpeg program that takes the bitmap's pixels as R,G,B top row first,
// shifted by the plain double arithmetic when the colour shift is on.
TEST_P(SaveJpegBytes, EqualAPlainEncodeOfTheSamePixels)
{
    const SaveCase &c = GetParam();
    const RgbPicture picture = MakePhotoLike(97, 45, 7);
    const auto bitmap = BitmapOf(picture);
    m_image.m_exif = c.exif;
    const std::string path = m_dir.File("out.jpg");
    ASSERT_EQ(m_image.SaveJpeg(path, c.quality, bitmap.get(), c.shift), image::kSaved);
    const RgbPicture expected = c.shift.enabled ? Adjusted(picture, c.shift) : picture;
    EXPECT_EQ(ReadFile(path), EncodeReference(expected, c.quality, c.exif != 1));
    EXPECT_EQ(ListFolder(m_dir.Path()), std::vector<std::string>{"out.jpg"});
}

INSTANTIATE_TEST_SUITE_P(Cases, SaveJpegBytes,
    ::testing::Values(SaveCase{{false, 0, 0, 0}, 60, 0}, SaveCase{{true, 0, 40, 10}, 60, 0},
        SaveCase{{true, -2, -50, 35}, 90, 1}, SaveCase{{false, 0, 0, 0}, 20, 1},
        SaveCase{{true, 0, 0, 0}, 0, 0}, SaveCase{{false, 0, 0, 0}, 150, 0}));

TEST_F(SaveJpeg, ExifFlagDecidesTheJfifHeader)
{
    const auto bitmap = BitmapOf(MakeFlat(8, 8, 30, 20, 10));
    for (const int exif : {0, 1}) {
        m_image.m_exif = exif;
        const std::string path = m_dir.File("f.jpg");
        ASSERT_EQ(m_image.SaveJpeg(path, 60, bitmap.get(), ColorShift{}), image::kSaved);
        const std::vector<std::uint8_t> bytes = ReadFile(path);
        EXPECT_EQ(bytes[3] == 0xE0, exif == 0);
    }
}

TEST_F(SaveJpeg, UsesTheColourSettings)
{
    settings::LoadDefaultSettings();
    const RgbPicture picture = MakePhotoLike(40, 30);
    const auto bitmap = BitmapOf(picture);
    ASSERT_EQ(m_image.SaveJpeg(m_dir.File("a.jpg"), 60, bitmap.get()), image::kSaved);
    EXPECT_EQ(ReadFile(m_dir.File("a.jpg")),
        EncodeReference(Adjusted(picture, {true, 0, 40, 10}), 60, true));
    settings::Color = 0;
    ASSERT_EQ(m_image.SaveJpeg(m_dir.File("b.jpg"), 60, bitmap.get()), image::kSaved);
    EXPECT_EQ(ReadFile(m_dir.File("b.jpg")), EncodeReference(picture, 60, true));
}

TEST_F(SaveJpeg, MissingFolderCreatesNothing)
{
    const auto bitmap = BitmapOf(MakeFlat(8, 8, 1, 2, 3));
    ::testing::internal::CaptureStderr();
    const int result =
        m_image.SaveJpeg(m_dir.File("no/such/x.jpg"), 60, bitmap.get(), ColorShift{});
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, image::kSaveCannotOpen);
    EXPECT_EQ(err, "can't open " + m_dir.File("no/such/x.jpg") + "\n");
    EXPECT_TRUE(ListFolder(m_dir.Path()).empty());
}

TEST_F(SaveJpeg, EmptySlotCreatesNothing)
{
    EXPECT_EQ(
        m_image.SaveJpeg(m_dir.File("x.jpg"), 60, m_image.m_bitmap.get()), image::kSaveNoPicture);
    EXPECT_TRUE(ListFolder(m_dir.Path()).empty());
}

// A full disk, caused here by a file size limit: the save fails and returns, the process goes
// on, and the file that had the name is untouched.
TEST_F(SaveJpeg, WriteFailureKeepsTheOldFileAndLeavesNoPartialFile)
{
    const std::string path = m_dir.File("keep.jpg");
    const std::vector<std::uint8_t> old = EncodeJpeg(MakeFlat(8, 8, 1, 2, 3));
    WriteFile(path, old);
    const auto bitmap = BitmapOf(MakePhotoLike(800, 600));

    rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 16 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int result = m_image.SaveJpeg(path, 95, bitmap.get(), ColorShift{});
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(result, image::kSaveWriteFailed);
    EXPECT_FALSE(m_image.LastError().empty());
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(ListFolder(m_dir.Path()), std::vector<std::string>{"keep.jpg"});
}

TEST_F(SaveJpeg, ReplacesAnExistingFileKeepingItsPermissions)
{
    const std::string path = m_dir.File("r.jpg");
    WriteFile(path, {1, 2, 3});
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    const auto bitmap = BitmapOf(MakeFlat(8, 8, 1, 2, 3));
    ASSERT_EQ(m_image.SaveJpeg(path, 60, bitmap.get(), ColorShift{}), image::kSaved);
    struct stat status;
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    EXPECT_GT(ReadFile(path).size(), 3u);
}

TEST_F(SaveJpeg, LongPathsAreKeptWhole)
{
    std::string folder = m_dir.Path();
    for (int i = 0; i < 4; ++i) {
        folder += "/" + std::string(120, static_cast<char>('a' + i)) + "縮小";
        ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    }
    const std::string path = folder + "/" + std::string(200, 'p') + "s.jpg";
    ASSERT_GT(path.size(), 700u);
    const auto bitmap = BitmapOf(MakeFlat(8, 8, 1, 2, 3));
    ASSERT_EQ(m_image.SaveJpeg(path, 60, bitmap.get(), ColorShift{}), image::kSaved);
    EXPECT_TRUE(m_image.LoadJpeg(path, 1));
}

} // namespace
