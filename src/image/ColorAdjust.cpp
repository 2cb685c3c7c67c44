#include "ColorAdjust.h"

#include <algorithm>
#include <vector>

namespace image {

namespace {

    constexpr double kHueDegreesToSteps = 0.7111111111111111; // the double nearest 256/360
    constexpr double kHueSectorSteps = 42.666666666666664; // the double nearest 256/6

    double HueShift(const ColorShift &shift)
    {
        return shift.hue * kHueDegreesToSteps;
    }

    // A product with the double 0.01, not a quotient by 100: the two differ for some pixels.
    double Factor(int percent)
    {
        return (percent + 100.0) * 0.01;
    }

    int ShiftHue(int h, double hueShift)
    {
        // Truncation toward zero, then the low 8 bits: -0.71 gives 0, -1.42 gives -1, hence 255.
        return static_cast<int>(h + hueShift) & 255;
    }

    int Scale(int x, double factor)
    {
        const double scaled = x * factor;
        // Compared as doubles: a huge factor must not overflow the conversion to int. A factor
        // below zero (a setting below -100) gives 0 rather than a negative component.
        if (scaled >= 255.0) {
            return 255;
        }
        if (scaled <= 0.0) {
            return 0;
        }
        return static_cast<int>(scaled);
    }

    int Saturation255(int d, int v)
    {
        return static_cast<int>((255.0 * d) / v + 0.5);
    }

    // The hue of a pixel whose maximum minus minimum is d: `sector` 0 when red is the maximum,
    // 1 for green, 2 for blue; `numerator` the difference of the other two components.
    int HueOf(int sector, int numerator, int d)
    {
        double t = static_cast<double>(numerator) / d;
        if (sector == 1) {
            t += 2.0;
        } else if (sector == 2) {
            t += 4.0;
        }
        return static_cast<int>(t * kHueSectorSteps + 256.5) % 256;
    }

    // Hue and saturation tables shared by every adjuster. Hue: one cell for grey, then per sector,
    // per d in 1..255, the numerators -d..d, packed so that d starts at d*d. Saturation: per v, the
    // d in 0..v, starting at v*(v+1)/2.
    struct HsvTables
    {
        static constexpr unsigned kHuePerSector = 256 * 256 - 1;

        HsvTables()
            : hue(3 * kHuePerSector + 1)
            , saturation(256 * 257 / 2)
        {
            for (int sector = 0; sector < 3; ++sector) {
                for (int d = 1; d < 256; ++d) {
                    for (int n = -d; n <= d; ++n) {
                        hue[sector * kHuePerSector + d * d + n + d] =
                            static_cast<std::uint8_t>(HueOf(sector, n, d));
                    }
                }
            }
            for (int v = 1; v < 256; ++v) {
                for (int d = 0; d <= v; ++d) {
                    saturation[v * (v + 1) / 2 + d] =
                        static_cast<std::uint8_t>(Saturation255(d, v));
                }
            }
        }

        std::vector<std::uint8_t> hue;
        std::vector<std::uint8_t> saturation;
    };

    const HsvTables &Tables()
    {
        static const HsvTables tables;
        return tables;
    }

} // namespace

void RgbToHsv(int r, int g, int b, int &h, int &s, int &v)
{
    v = std::max({r, g, b});
    const int d = v - std::min({r, g, b});
    h = 0;
    s = 0;
    if (d == 0) {
        return;
    }
    s = Saturation255(d, v);
    if (v == r) {
        h = HueOf(0, g - b, d);
    } else if (v == g) {
        h = HueOf(1, b - r, d);
    } else {
        h = HueOf(2, r - g, d);
    }
}

void HsvToRgb(int h, int s, int v, int &r, int &g, int &b)
{
    const int x = 6 * h;
    const int i = x / 256;
    const int pos = x - 256 * i;
    const int p = v - (s * v) / 255;
    const int f = (i & 1) ? 256 - pos : pos;
    const int m = p + (f * s * v) / 65280;
    switch (i) {
    case 0:
        r = v, g = m, b = p;
        break;
    case 1:
        r = m, g = v, b = p;
        break;
    case 2:
        r = p, g = v, b = m;
        break;
    case 3:
        r = p, g = m, b = v;
        break;
    case 4:
        r = m, g = p, b = v;
        break;
    default:
        r = v, g = p, b = m;
        break;
    }
}

void AdjustPixelReference(
    const ColorShift &shift, std::uint8_t &r, std::uint8_t &g, std::uint8_t &b)
{
    int h, s, v;
    RgbToHsv(r, g, b, h, s, v);
    const int h2 = ShiftHue(h, HueShift(shift));
    const int s2 = Scale(s, Factor(shift.saturation));
    const int v2 = Scale(v, Factor(shift.value));
    int r2, g2, b2;
    HsvToRgb(h2, s2, v2, r2, g2, b2);
    r = static_cast<std::uint8_t>(r2);
    g = static_cast<std::uint8_t>(g2);
    b = static_cast<std::uint8_t>(b2);
}

CColorAdjuster::CColorAdjuster(const ColorShift &shift)
{
    const double hueShift = HueShift(shift);
    const double saturationFactor = Factor(shift.saturation);
    const double valueFactor = Factor(shift.value);
    std::uint8_t saturation[256];
    for (int x = 0; x < 256; ++x) {
        saturation[x] = static_cast<std::uint8_t>(Scale(x, saturationFactor));
        m_value[x] = static_cast<std::uint8_t>(Scale(x, valueFactor));
    }
    const HsvTables &tables = Tables();
    m_hueTable = tables.hue.data();
    m_saturation.resize(tables.saturation.size());
    for (std::size_t k = 0; k < m_saturation.size(); ++k) {
        m_saturation[k] = saturation[tables.saturation[k]];
    }
    // Where HsvToRgb puts v, m and p among R, G and B, per sector.
    static const unsigned kOffsets[6][3] = {
        {0, 1, 2}, {1, 0, 2}, {1, 2, 0}, {2, 1, 0}, {2, 0, 1}, {0, 2, 1}};
    for (int x = 0; x < 256; ++x) {
        const int six = 6 * ShiftHue(x, hueShift);
        const int sector = six / 256;
        const int position = six - 256 * sector;
        const unsigned f = static_cast<unsigned>((sector & 1) ? 256 - position : position);
        m_hueEntry[x] = static_cast<std::uint16_t>(
            f | kOffsets[sector][0] << 9 | kOffsets[sector][1] << 11 | kOffsets[sector][2] << 13);
    }
}

void CColorAdjuster::Adjust(std::uint8_t &r, std::uint8_t &g, std::uint8_t &b) const
{
    const std::uint8_t bgr[3] = {b, g, r};
    std::uint8_t rgb[3];
    ConvertBgrRowToRgb(bgr, rgb, 1);
    r = rgb[0], g = rgb[1], b = rgb[2];
}

void CColorAdjuster::ConvertBgrRowToRgb(const std::uint8_t *bgr, std::uint8_t *rgb, int width) const
{
    // Locals, not members: the stores through byte pointers could alias the members and would
    // make the compiler reload them for every pixel.
    const std::uint8_t *hueTable = m_hueTable;
    const std::uint8_t *saturationTable = m_saturation.data();
    for (int x = 0; x < width; ++x, bgr += 3, rgb += 3) {
        const unsigned red = bgr[2], green = bgr[1], blue = bgr[0];
        const unsigned v = std::max({red, green, blue});
        const unsigned d = v - std::min({red, green, blue});
        const unsigned v2 = m_value[v];
        // Selects rather than branches: which component is largest is as good as random. A grey
        // pixel (d 0) reads the leading hue cell and saturation 0, and comes out grey.
        const bool redMax = v == red;
        const bool greenMax = !redMax && v == green;
        const unsigned base = redMax ? 0
            : greenMax               ? HsvTables::kHuePerSector
                                     : 2 * HsvTables::kHuePerSector;
        // Unsigned wrap-around: the sum below is the signed index all the same.
        const unsigned numerator = redMax ? green - blue : greenMax ? blue - red : red - green;
        const unsigned entry = m_hueEntry[hueTable[base + d * d + numerator + d]];
        const unsigned sv = saturationTable[v * (v + 1) / 2 + d] * v2;
        const unsigned p = v2 - sv / 255;
        const unsigned m = p + ((entry & 511) * sv) / 65280;
        rgb[(entry >> 9) & 3] = static_cast<std::uint8_t>(v2);
        rgb[(entry >> 11) & 3] = static_cast<std::uint8_t>(m);
        rgb[entry >> 13] = static_cast<std::uint8_t>(p);
    }
}

} // namespace image
