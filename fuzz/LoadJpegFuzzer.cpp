// libFuzzer target for image::CPhotoImage::LoadJpeg, and for SaveJpeg on what it decodes.
//
// The first input byte chooses how the file is read and saved; the rest is the file itself:
//   bits 0-1  scale denominator 1, 2, 4 or 8
//   bit  2    clear: save with the colour shift on; set: save the pixels unadjusted
//   bits 3-4  which colour shift
//   bits 5-7  which quality
// Keeping the choices out of the JPEG bytes lets a seed be any JPEG behind one byte, and makes a
// reproducer replay exactly as it was found, which cycling the choices per call would not.

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <jpeglib.h>
#include <unistd.h>

#include "image/PhotoImage.h"
#include "image/WorkingBitmap.h"
#include "settings/Settings.h"

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace {

constexpr int kDenominators[4] = {1, 2, 4, 8};
constexpr int kQualities[8] = {1, 10, 30, 50, 60, 75, 90, 100};

struct Shift
{
    int hue, saturation, value;
};
// The defaults first, then the ends of the ranges the dialog offers, then an irregular one.
constexpr Shift kShifts[4] = {{0, 40, 10}, {180, 100, 100}, {-180, -100, -100}, {-37, -55, 73}};

// Encoding costs time in proportion to the pixels and finds nothing new on a big picture that a
// small one would not; a header claiming tens of megapixels would otherwise turn every such
// input into a timeout and slow the whole run down.
constexpr long long kMaxSavedPixels = 1ll << 22;

std::string g_folder;
std::string g_inputPath;
std::string g_outputPath;

void RemoveTemporaryFiles()
{
    unlink(g_inputPath.c_str());
    unlink(g_outputPath.c_str());
    rmdir(g_folder.c_str());
}

// LoadJpeg takes a path, so every input goes through one file per process, rewritten each call.
void WriteInputFile(const std::uint8_t *data, std::size_t size)
{
    std::FILE *file = std::fopen(g_inputPath.c_str(), "wb");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(size == 0 || std::fwrite(data, 1, size, file) == size);
    FUZZ_CHECK(std::fclose(file) == 0);
}

// What the header says, read independently of LoadJpeg, to hold its result against.
struct HeaderFacts
{
    bool read = false;
    unsigned long long width = 0;
    unsigned long long height = 0;
    J_COLOR_SPACE colorSpace = JCS_UNKNOWN;
};

struct HeaderErrors : jpeg_error_mgr
{
    std::jmp_buf jumpBuffer;
};

void OnHeaderError(j_common_ptr info)
{
    std::longjmp(static_cast<HeaderErrors *>(info->err)->jumpBuffer, 1);
}

void OnHeaderMessage(j_common_ptr, int)
{ }

// Only trivially destructible locals here: a longjmp that skips a destructor is undefined.
bool ReadHeaderInto(
    jpeg_decompress_struct &info, const std::uint8_t *data, std::size_t size, HeaderFacts &facts)
{
    if (setjmp(static_cast<HeaderErrors *>(info.err)->jumpBuffer)) {
        return false;
    }
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    facts.width = info.image_width;
    facts.height = info.image_height;
    facts.colorSpace = info.jpeg_color_space;
    return true;
}

HeaderFacts ReadHeader(const std::uint8_t *data, std::size_t size)
{
    jpeg_decompress_struct info{};
    HeaderErrors errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    errors.error_exit = &OnHeaderError;
    errors.emit_message = &OnHeaderMessage;
    HeaderFacts facts;
    facts.read = ReadHeaderInto(info, data, size, facts);
    jpeg_destroy_decompress(&info);
    return facts;
}

unsigned long long ScaledSize(unsigned long long size, int denom)
{
    return (size + static_cast<unsigned>(denom) - 1) / static_cast<unsigned>(denom);
}

bool StartsWithExif(const std::uint8_t *data, std::size_t size)
{
    static const std::uint8_t kSoiApp1[] = {0xFF, 0xD8, 0xFF, 0xE1};
    return size >= 12 && std::memcmp(data, kSoiApp1, 4) == 0
        && std::memcmp(data + 6, "Exif", 4) == 0;
}

// The decoder is asked for B,G,R even from one-component files; all three must then agree.
void CheckGrey(const image::CWorkingBitmap &bitmap)
{
    for (int y = 0; y < bitmap.Height(); ++y) {
        const std::uint8_t *row = bitmap.MemoryRow(y);
        for (int x = 0; x < bitmap.Width(); ++x, row += 3) {
            FUZZ_CHECK(row[0] == row[1] && row[1] == row[2]);
        }
    }
}

void SaveAndReload(image::CPhotoImage &photo, std::uint8_t control)
{
    const image::CWorkingBitmap &bitmap = *photo.m_bitmap;
    if (static_cast<long long>(bitmap.Width()) * bitmap.Height() > kMaxSavedPixels) {
        return;
    }
    const Shift &shift = kShifts[(control >> 3) & 3];
    // Through the settings, as the program saves: that is the overload it calls.
    settings::Color = (control & 4) == 0 ? 1 : 0;
    settings::Hue = shift.hue;
    settings::Saturation = shift.saturation;
    settings::Value = shift.value;
    const int quality = kQualities[control >> 5];

    const int result = photo.SaveJpeg(g_outputPath, quality, photo.m_bitmap.get());
    if (result != image::kSaved) {
        std::fprintf(stderr, "SaveJpeg: %d %s\n", result, photo.LastError().c_str());
    }
    FUZZ_CHECK(result == image::kSaved);
    FUZZ_CHECK(photo.LastError().empty());
    FUZZ_CHECK(photo.m_width == bitmap.Width() && photo.m_height == bitmap.Height());

    image::CPhotoImage reloaded;
    FUZZ_CHECK(reloaded.LoadJpeg(g_outputPath, 1));
    FUZZ_CHECK(reloaded.m_width == bitmap.Width() && reloaded.m_height == bitmap.Height());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const char *tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/trelvo-fuzz-XXXXXX";
    if (!mkdtemp(folder.data())) {
        std::perror("mkdtemp");
        std::abort();
    }
    g_folder = folder;
    g_inputPath = folder + "/input.jpg";
    g_outputPath = folder + "/output.jpg";
    std::atexit(&RemoveTemporaryFiles);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const std::uint8_t control = data[0];
    const std::uint8_t *file = data + 1;
    const std::size_t fileSize = size - 1;
    const int denom = kDenominators[control & 3];
    WriteInputFile(file, fileSize);

    // Both slots start occupied, as they are in the program when a second photo is opened: the
    // photo slot must be emptied by a failed load and the capture slot never touched.
    image::CPhotoImage photo;
    photo.m_bitmap = image::CWorkingBitmap::Create(3, 2);
    photo.m_captureBitmap = image::CWorkingBitmap::Create(2, 3);
    const image::CWorkingBitmap *capture = photo.m_captureBitmap.get();
    FUZZ_CHECK(photo.m_bitmap && capture);

    const bool loaded = photo.LoadJpeg(g_inputPath, denom);

    FUZZ_CHECK(photo.m_captureBitmap.get() == capture);
    FUZZ_CHECK(photo.m_exif == (StartsWithExif(file, fileSize) ? 1 : 0));
    if (!loaded) {
        FUZZ_CHECK(photo.m_bitmap == nullptr);
        FUZZ_CHECK(!photo.LastError().empty());
        return 0;
    }

    FUZZ_CHECK(photo.m_bitmap != nullptr);
    const image::CWorkingBitmap &bitmap = *photo.m_bitmap;
    FUZZ_CHECK(bitmap.Bits() != nullptr);
    FUZZ_CHECK(bitmap.Width() > 0 && bitmap.Height() > 0);
    FUZZ_CHECK(photo.m_width == bitmap.Width() && photo.m_height == bitmap.Height());
    FUZZ_CHECK(photo.m_stride == static_cast<int>(bitmap.Stride()));
    FUZZ_CHECK(bitmap.Stride() % 4 == 0
        && bitmap.Stride() >= static_cast<std::size_t>(bitmap.Width()) * 3);
    FUZZ_CHECK(photo.LastError().empty());

    const HeaderFacts header = ReadHeader(file, fileSize);
    FUZZ_CHECK(header.read);
    FUZZ_CHECK(header.width * header.height <= image::kMaxSourcePixels);
    FUZZ_CHECK(static_cast<unsigned long long>(bitmap.Width()) == ScaledSize(header.width, denom));
    FUZZ_CHECK(
        static_cast<unsigned long long>(bitmap.Height()) == ScaledSize(header.height, denom));
    if (header.colorSpace == JCS_GRAYSCALE) {
        CheckGrey(bitmap);
    }

    SaveAndReload(photo, control);
    return 0;
}
