#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

// The synthetic photo both benchmarks use when no real photo is given.
namespace bench {

inline std::uint32_t Hash(std::uint32_t x, std::uint32_t y)
{
    std::uint32_t h = x * 0x9E3779B1u ^ (y + 0x7F4A7C15u) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

inline double Smoothstep(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// A landscape-like picture: graded sky, soft clouds, textured ground, saturated objects and
// sensor-like noise. The entropy coder's cost depends on the detail, so flat gradients alone
// would flatter every tool; pure noise would make the entropy coder dominate instead.
inline void SyntheticPixel(int x, int y, int width, int height, std::uint8_t *rgb)
{
    const double u = static_cast<double>(x) / width;
    const double v = static_cast<double>(y) / height;
    const double horizon = 0.45 + 0.05 * std::sin(u * 6.0);
    double fr, fg, fb;
    if (v < horizon) {
        const double t = v / horizon;
        fr = 70 + 110 * t;
        fg = 120 + 90 * t;
        fb = 200 + 40 * t;
        const double cloud =
            std::max(0.0, std::sin(u * 9.0 + 1.0) * std::sin(v * 14.0 + 0.5) - 0.3);
        fr += (235 - fr) * cloud;
        fg += (235 - fg) * cloud;
        fb += (240 - fb) * cloud;
    } else {
        const double t = (v - horizon) / (1.0 - horizon);
        const double m = 0.5 + 0.5 * std::sin(u * 11.0 + v * 5.0);
        const double texture =
            22.0 * std::sin(x * 0.21) * std::sin(y * 0.17) + 12.0 * std::sin(x * 0.047 + y * 0.031);
        fr = 60 + 90 * m - 30 * t + texture;
        fg = 95 + 50 * (1.0 - m) - 20 * t + texture;
        fb = 40 + 30 * m - 10 * t + 0.5 * texture;
    }
    struct Disc
    {
        double cx, cy, radius, r, g, b;
    };
    static const Disc kDiscs[] = {
        {0.22, 0.70, 0.08, 205, 40, 30},
        {0.63, 0.78, 0.06, 235, 205, 45},
        {0.80, 0.25, 0.05, 250, 240, 210},
        {0.45, 0.62, 0.04, 120, 40, 150},
    };
    const double aspect = static_cast<double>(width) / height;
    for (const Disc &disc : kDiscs) {
        const double dx = (u - disc.cx) * aspect;
        const double dy = v - disc.cy;
        const double alpha =
            1.0 - Smoothstep(disc.radius * 0.8, disc.radius, std::sqrt(dx * dx + dy * dy));
        if (alpha > 0.0) {
            const double shade = 0.75 + 0.25 * (1.0 - dy / disc.radius);
            fr += (disc.r * shade - fr) * alpha;
            fg += (disc.g * shade - fg) * alpha;
            fb += (disc.b * shade - fb) * alpha;
        }
    }
    const std::uint32_t h = Hash(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
    const int luma = static_cast<int>(h & 15) - 8;
    auto channel = [&](double value, int shift) {
        const int chroma = static_cast<int>((h >> shift) & 3) - 1;
        return static_cast<std::uint8_t>(
            std::clamp(static_cast<int>(value) + luma + chroma, 0, 255));
    };
    rgb[0] = channel(fr, 8);
    rgb[1] = channel(fg, 12);
    rgb[2] = channel(fb, 16);
}

} // namespace bench
