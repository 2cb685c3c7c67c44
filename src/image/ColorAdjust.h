#pragma once

#include <cstdint>
#include <vector>

namespace image {

// The colour shift applied while saving: hue in degrees, saturation and value in percent.
struct ColorShift
{
    bool enabled = false;
    int hue = 0;
    int saturation = 0;
    int value = 0;
};

// Integer HSV on 0..255 scales (hue 0..255 for one full turn). Inputs outside 0..255 are not
// supported.
void RgbToHsv(int r, int g, int b, int &h, int &s, int &v);
void HsvToRgb(int h, int s, int v, int &r, int &g, int &b);

// The adjustment of one pixel in plain double arithmetic, step by step; the reference that
// CColorAdjuster must match bit for bit.
void AdjustPixelReference(
    const ColorShift &shift, std::uint8_t &r, std::uint8_t &g, std::uint8_t &b);

// The same adjustment through lookup tables: every floating-point step depends on at most two
// values in 0..255, so its results are tabulated once and the per-pixel work is integer only.
class CColorAdjuster
{
public:
    explicit CColorAdjuster(const ColorShift &shift);

    void Adjust(std::uint8_t &r, std::uint8_t &g, std::uint8_t &b) const;
    // Adjusts `width` pixels of a B,G,R row into a packed R,G,B row.
    void ConvertBgrRowToRgb(const std::uint8_t *bgr, std::uint8_t *rgb, int width) const;

private:
    std::uint8_t m_value[256]; // scaled value by value
    const std::uint8_t *m_hueTable; // the shared hue table
    std::vector<std::uint8_t> m_saturation; // the shared saturation table, scaled
    // By hue before the shift: f of the shifted hue's sector, and where v, m and p go among R, G
    // and B (bits 9, 11, 13).
    std::uint16_t m_hueEntry[256];
};

} // namespace image
