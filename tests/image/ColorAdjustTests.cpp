#include <array>
#include <cstdint>

#include <gtest/gtest.h>

#include "image/ColorAdjust.h"

using image::AdjustPixelReference;
using image::CColorAdjuster;
using image::ColorShift;

namespace image {
// Readable test names: the shift as hue/saturation/value.
void PrintTo(const ColorShift &shift, std::ostream *os)
{
    *os << shift.hue << "_" << shift.saturation << "_" << shift.value;
}
} // namespace image

namespace {

struct WorkedPixel
{
    std::array<int, 3> source;
    ColorShift shift;
    std::array<int, 3> hsv;
    std::array<int, 3> result;
};

void PrintTo(const WorkedPixel &p, std::ostream *os)
{
    *os << p.source[0] << "_" << p.source[1] << "_" << p.source[2] << "_shift_";
    image::PrintTo(p.shift, os);
}

ColorShift Shift(int hue, int saturation, int value)
{
    return ColorShift{true, hue, saturation, value};
}

const WorkedPixel kWorkedPixels[] = {
    {{255, 0, 0}, Shift(0, 40, 10), {0, 255, 255}, {255, 0, 0}},
    {{128, 128, 128}, Shift(0, 40, 10), {0, 0, 128}, {140, 140, 140}},
    {{200, 100, 50}, Shift(0, 40, 10), {14, 191, 200}, {220, 72, 0}},
    // 45 × 1.4000000000000001 = 63.00000000000001: a quotient by 100 would give 62.
    {{255, 210, 210}, Shift(0, 40, 10), {0, 45, 255}, {255, 192, 192}},
    {{10, 20, 30}, Shift(0, 40, 10), {149, 170, 30}, {3, 18, 33}},
    {{200, 100, 50}, Shift(0, 0, 0), {14, 191, 200}, {200, 100, 51}},
    {{1, 2, 3}, Shift(0, 0, 0), {149, 170, 3}, {1, 2, 3}},
    {{255, 0, 0}, Shift(180, 0, 0), {0, 255, 255}, {0, 255, 255}},
    {{255, 0, 0}, Shift(-1, 0, 0), {0, 255, 255}, {255, 0, 0}},
    {{255, 0, 0}, Shift(-2, 0, 0), {0, 255, 255}, {255, 0, 5}},
    {{200, 100, 50}, Shift(90, -50, -20), {14, 191, 200}, {111, 160, 101}},
    {{100, 150, 200}, Shift(-180, 100, 100), {149, 128, 200}, {255, 125, 0}},
};

class WorkedPixels : public ::testing::TestWithParam<WorkedPixel>
{ };

TEST_P(WorkedPixels, RgbToHsvGivesTheTabulatedHsv)
{
    const WorkedPixel &p = GetParam();
    int h, s, v;
    image::RgbToHsv(p.source[0], p.source[1], p.source[2], h, s, v);
    EXPECT_EQ((std::array<int, 3>{h, s, v}), p.hsv);
}

TEST_P(WorkedPixels, ReferenceAndTablesGiveTheTabulatedResult)
{
    const WorkedPixel &p = GetParam();
    std::uint8_t r = p.source[0], g = p.source[1], b = p.source[2];
    AdjustPixelReference(p.shift, r, g, b);
    EXPECT_EQ((std::array<int, 3>{r, g, b}), p.result);

    r = p.source[0], g = p.source[1], b = p.source[2];
    CColorAdjuster(p.shift).Adjust(r, g, b);
    EXPECT_EQ((std::array<int, 3>{r, g, b}), p.result);
}

INSTANTIATE_TEST_SUITE_P(Table, WorkedPixels, ::testing::ValuesIn(kWorkedPixels));

TEST(HsvToRgb, GivesBackEveryGreyAndStaysInRange)
{
    for (int v = 0; v < 256; ++v) {
        int r, g, b;
        image::HsvToRgb(0, 0, v, r, g, b);
        ASSERT_EQ(r, v);
        ASSERT_EQ(g, v);
        ASSERT_EQ(b, v);
    }
    for (int h = 0; h < 256; h += 5) {
        for (int s = 0; s < 256; s += 15) {
            int r, g, b;
            image::HsvToRgb(h, s, 255, r, g, b);
            ASSERT_GE(std::min({r, g, b}), 0);
            ASSERT_LE(std::max({r, g, b}), 255);
        }
    }
}

TEST(ColorShift, SettingsBelowMinusHundredGiveZeroNotANegativeComponent)
{
    for (const ColorShift shift : {Shift(0, -150, 0), Shift(0, -100000, 0)}) {
        std::uint8_t r = 200, g = 100, b = 50;
        AdjustPixelReference(shift, r, g, b);
        EXPECT_EQ((std::array<int, 3>{r, g, b}), (std::array<int, 3>{200, 200, 200}));
    }
    std::uint8_t r = 200, g = 100, b = 50;
    CColorAdjuster(Shift(0, 0, -101)).Adjust(r, g, b);
    EXPECT_EQ((std::array<int, 3>{r, g, b}), (std::array<int, 3>{0, 0, 0}));
}

TEST(ColorShift, ExtremeSettingsSaturateWithoutOverflow)
{
    std::uint8_t r = 200, g = 100, b = 50;
    AdjustPixelReference(Shift(2000000000, 2000000000, 2000000000), r, g, b);
    EXPECT_EQ(std::max({r, g, b}), 255);
}

// The fast path must be bit-identical to the plain double arithmetic for every colour.
class AllColours : public ::testing::TestWithParam<ColorShift>
{ };

TEST_P(AllColours, TablesMatchTheReference)
{
    const ColorShift shift = GetParam();
    const CColorAdjuster adjuster(shift);
    std::uint8_t bgr[256 * 3], fast[256 * 3];
    for (int r = 0; r < 256; ++r) {
        for (int g = 0; g < 256; ++g) {
            for (int b = 0; b < 256; ++b) {
                bgr[b * 3 + 0] = static_cast<std::uint8_t>(b);
                bgr[b * 3 + 1] = static_cast<std::uint8_t>(g);
                bgr[b * 3 + 2] = static_cast<std::uint8_t>(r);
            }
            adjuster.ConvertBgrRowToRgb(bgr, fast, 256);
            for (int b = 0; b < 256; ++b) {
                std::uint8_t rr = static_cast<std::uint8_t>(r), gg = static_cast<std::uint8_t>(g),
                             bb = static_cast<std::uint8_t>(b);
                AdjustPixelReference(shift, rr, gg, bb);
                if (fast[b * 3] != rr || fast[b * 3 + 1] != gg || fast[b * 3 + 2] != bb) {
                    FAIL() << "colour " << r << "," << g << "," << b << ": tables give "
                           << int(fast[b * 3]) << "," << int(fast[b * 3 + 1]) << ","
                           << int(fast[b * 3 + 2]) << ", reference " << int(rr) << "," << int(gg)
                           << "," << int(bb);
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Shifts, AllColours,
    ::testing::Values(Shift(0, 40, 10), Shift(0, 0, 0), Shift(-2, -50, 35), Shift(137, 100, -100),
        Shift(-180, -150, 120)));

} // namespace
