#pragma once

#include <memory>
#include <string>

#include "image/ColorAdjust.h"
#include "image/WorkingBitmap.h"

namespace image {

// Limits that keep a hostile or damaged file from exhausting memory or time.
// 2^28 pixels (for instance 16384 × 16384, 768 MiB as a working bitmap at full size) is far
// beyond any camera; a header claiming more is refused before anything is allocated.
constexpr unsigned long long kMaxSourcePixels = 1ull << 28;
// The decoder's own working memory (progressive coefficient buffers and the like).
constexpr long kMaxDecoderMemory = 1024L * 1024 * 1024;
// A progressive file may repeat scans thousands of times; real encoders write about ten.
constexpr int kMaxProgressiveScans = 500;
// Each scan costs time for every pixel of the frame, whatever data it holds, so scans × pixels is
// bounded too: 16 scans of the largest picture, all 500 up to 8.5 megapixels.
constexpr unsigned long long kMaxScanPixels = 1ull << 32;

// Results of SaveJpeg.
constexpr int kSaved = 0;
constexpr int kSaveNoMemory = -1;
constexpr int kSaveCannotOpen = -2;
constexpr int kSaveWriteFailed = -3; // encoder or file system error; nothing was replaced
constexpr int kSaveNoPicture = -4; // an empty slot: no file is created

// The working image: a photo slot filled by LoadJpeg, a capture slot filled by the capture
// code, and the EXIF flag of the last photo opened. Not thread-safe; one per thread.
class CPhotoImage
{
public:
    CPhotoImage() = default;
    virtual ~CPhotoImage() = default;
    CPhotoImage(const CPhotoImage &) = delete;
    CPhotoImage &operator=(const CPhotoImage &) = delete;

    // Decodes `path` into the photo slot at 1/1, 1/2, 1/4 or 1/8 of its size, chosen from
    // `denom` taken as unsigned (0 and 1 full size, 2-3 half, 4-7 quarter, 8 and up an eighth).
    // The slot is emptied first and holds the picture only when true is returned.
    [[nodiscard]] bool LoadJpeg(std::string path, int denom);

    // Writes `bitmap` as a baseline JPEG at `quality`, with the colour shift of the settings
    // Color, Hue, Saturation and Value. Returns kSaved or one of the negative results above; on
    // any failure a file that already had the name is left as it was.
    [[nodiscard]] int SaveJpeg(const std::string &path, int quality, const CWorkingBitmap *bitmap);
    // The same with the colour shift given.
    [[nodiscard]] int SaveJpeg(const std::string &path, int quality, const CWorkingBitmap *bitmap,
        const ColorShift &shift);

    // Why the last load or save failed, for the user; empty after a success.
    const std::string &LastError() const { return m_lastError; }
    // The first warning the decoder gave during the last load (damaged data it worked around).
    const std::string &LastWarning() const { return m_lastWarning; }

    std::unique_ptr<CWorkingBitmap> m_bitmap; // the photo slot
    std::unique_ptr<CWorkingBitmap> m_captureBitmap; // the capture slot
    int m_width = 0;
    int m_height = 0;
    int m_stride = 0;
    int m_exif = 0; // 1 when the last file opened starts with an EXIF segment

private:
    std::string m_lastError;
    std::string m_lastWarning;
};

} // namespace image
