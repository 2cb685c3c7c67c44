// Per-pixel throughput of the colour step on one buffer of photo-like pixels:
//   naive_reference  AdjustPixelReference per pixel (the plain double arithmetic)
//   table_adjuster   CColorAdjuster::ConvertBgrRowToRgb (what SaveJpeg runs)
//   byte_swap_floor  B,G,R to R,G,B with no colour change (the memory traffic alone)
// The summary prints throughput ratios between them; absolute MP/s only depend on the machine.
//
// Extra flag: --photo=PATH takes the pixels from a JPEG decoded at 1/2 instead of the
// synthetic picture, so that the hue/saturation mix of real photos can be checked too.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include "SyntheticPhoto.h"
#include "image/ColorAdjust.h"
#include "image/PhotoImage.h"

namespace {

struct Pixels
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bgr; // packed rows, no padding
    std::string origin;

    std::size_t Count() const { return static_cast<std::size_t>(width) * height; }
    std::size_t Stride() const { return static_cast<std::size_t>(width) * 3; }
};

Pixels MakeSyntheticPixels(int width, int height)
{
    Pixels pixels;
    pixels.width = width;
    pixels.height = height;
    pixels.bgr.resize(pixels.Count() * 3);
    for (int y = 0; y < height; ++y) {
        std::uint8_t *row = pixels.bgr.data() + y * pixels.Stride();
        for (int x = 0; x < width; ++x) {
            std::uint8_t rgb[3];
            bench::SyntheticPixel(x, y, width, height, rgb);
            row[3 * x] = rgb[2];
            row[3 * x + 1] = rgb[1];
            row[3 * x + 2] = rgb[0];
        }
    }
    pixels.origin = "synthetic " + std::to_string(width) + "x" + std::to_string(height);
    return pixels;
}

bool LoadPhotoPixels(const std::string &path, Pixels &pixels)
{
    image::CPhotoImage photo;
    if (!photo.LoadJpeg(path, 2)) {
        std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), photo.LastError().c_str());
        return false;
    }
    const image::CWorkingBitmap &bitmap = *photo.m_bitmap;
    pixels.width = bitmap.Width();
    pixels.height = bitmap.Height();
    pixels.bgr.resize(pixels.Count() * 3);
    for (int y = 0; y < pixels.height; ++y) {
        std::memcpy(pixels.bgr.data() + y * pixels.Stride(), bitmap.PictureRow(y), pixels.Stride());
    }
    pixels.origin = path + " at 1/2 (" + std::to_string(pixels.width) + "x"
        + std::to_string(pixels.height) + ")";
    return true;
}

// Kept out of line so that each variant pays one call per row, as ConvertBgrRowToRgb does.
[[gnu::noinline]] void NaiveRow(
    const image::ColorShift &shift, const std::uint8_t *bgr, std::uint8_t *rgb, int width)
{
    for (int x = 0; x < width; ++x, bgr += 3, rgb += 3) {
        std::uint8_t r = bgr[2], g = bgr[1], b = bgr[0];
        image::AdjustPixelReference(shift, r, g, b);
        rgb[0] = r;
        rgb[1] = g;
        rgb[2] = b;
    }
}

[[gnu::noinline]] void SwapRow(const std::uint8_t *bgr, std::uint8_t *rgb, int width)
{
    for (int x = 0; x < width; ++x, bgr += 3, rgb += 3) {
        rgb[0] = bgr[2];
        rgb[1] = bgr[1];
        rgb[2] = bgr[0];
    }
}

template <typename RowFunction>
void RunOverPixels(benchmark::State &state, const Pixels &pixels, RowFunction row)
{
    std::vector<std::uint8_t> out(pixels.bgr.size());
    for (auto _ : state) {
        for (int y = 0; y < pixels.height; ++y) {
            row(pixels.bgr.data() + y * pixels.Stride(), out.data() + y * pixels.Stride(),
                pixels.width);
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    const auto count = static_cast<std::int64_t>(pixels.Count());
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["MP/s"] = benchmark::Counter(
        static_cast<double>(count) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

struct NamedShift
{
    const char *name;
    image::ColorShift shift;
};

// The defaults are what most photos get; the second shift also turns the hue, which they leave.
const NamedShift kShifts[] = {
    {"defaults_h0_s40_v10", {true, 0, 40, 10}},
    {"h30_s-20_v-10", {true, 30, -20, -10}},
};

std::size_t CountMismatches(const Pixels &pixels, const image::ColorShift &shift)
{
    const image::CColorAdjuster adjuster(shift);
    std::vector<std::uint8_t> naive(pixels.Stride()), table(pixels.Stride());
    std::size_t mismatches = 0;
    for (int y = 0; y < pixels.height; ++y) {
        const std::uint8_t *row = pixels.bgr.data() + y * pixels.Stride();
        NaiveRow(shift, row, naive.data(), pixels.width);
        adjuster.ConvertBgrRowToRgb(row, table.data(), pixels.width);
        for (int x = 0; x < pixels.width; ++x) {
            mismatches += std::memcmp(&naive[3 * x], &table[3 * x], 3) != 0;
        }
    }
    return mismatches;
}

// Keeps the pixel rate of every benchmark, so that ratios can be printed after the usual table.
class CRateReporter : public benchmark::ConsoleReporter
{
public:
    // A custom display reporter does not follow --benchmark_color: colour only on a terminal.
    CRateReporter()
        : ConsoleReporter(isatty(fileno(stdout)) ? OO_Color : OO_None)
    { }

    void ReportRuns(const std::vector<Run> &reports) override
    {
        ConsoleReporter::ReportRuns(reports);
        for (const Run &run : reports) {
            const auto rate = run.counters.find("items_per_second");
            if (run.error_occurred || rate == run.counters.end()) {
                continue;
            }
            const std::string &name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                m_median[name] = rate->second.value;
            } else if (run.run_type == Run::RT_Iteration) {
                m_samples[name].push_back(rate->second.value);
            }
        }
    }

    // The median over repetitions; 0 when the benchmark did not run (filtered out).
    double Rate(const std::string &name) const
    {
        if (const auto median = m_median.find(name); median != m_median.end()) {
            return median->second;
        }
        const auto samples = m_samples.find(name);
        if (samples == m_samples.end() || samples->second.empty()) {
            return 0.0;
        }
        std::vector<double> sorted = samples->second;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t n = sorted.size();
        return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    }

private:
    std::map<std::string, double> m_median;
    std::map<std::string, std::vector<double>> m_samples;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    std::string photo;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--photo=", 8) == 0) {
            photo = argv[i] + 8;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 2;
    }

    static Pixels pixels;
    if (photo.empty()) {
        pixels = MakeSyntheticPixels(2400, 1600);
    } else if (!LoadPhotoPixels(photo, pixels)) {
        return 1;
    }
    std::printf("pixels: %s, %.2f MP\n", pixels.origin.c_str(), pixels.Count() / 1e6);
    // Equality is the tests' business; a mismatch here would make the timings meaningless.
    for (const NamedShift &named : kShifts) {
        std::printf("table vs reference, %s: %zu of %zu pixels differ\n", named.name,
            CountMismatches(pixels, named.shift), pixels.Count());
    }
    std::fflush(stdout);

    for (const NamedShift &named : kShifts) {
        const image::ColorShift shift = named.shift;
        benchmark::RegisterBenchmark((std::string("naive_reference/") + named.name).c_str(),
            [shift](benchmark::State &state) {
                RunOverPixels(state, pixels, [&](const std::uint8_t *in, std::uint8_t *out, int w) {
                    NaiveRow(shift, in, out, w);
                });
            })
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("table_adjuster/") + named.name).c_str(),
            [shift](benchmark::State &state) {
                const image::CColorAdjuster adjuster(shift);
                RunOverPixels(state, pixels, [&](const std::uint8_t *in, std::uint8_t *out, int w) {
                    adjuster.ConvertBgrRowToRgb(in, out, w);
                });
            })
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("byte_swap_floor", [](benchmark::State &state) {
        RunOverPixels(state, pixels, SwapRow);
    })->Unit(benchmark::kMillisecond);

    CRateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const double floor = reporter.Rate("byte_swap_floor");
    std::printf("\nThroughput ratios (CPU time; target: table_adjuster >= 2.5x naive_reference)\n");
    std::printf("%-22s %12s %12s %14s %14s\n", "shift", "naive MP/s", "table MP/s", "table/naive",
        "floor/table");
    for (const NamedShift &named : kShifts) {
        const double naive = reporter.Rate(std::string("naive_reference/") + named.name);
        const double table = reporter.Rate(std::string("table_adjuster/") + named.name);
        if (naive <= 0.0 || table <= 0.0) {
            continue;
        }
        std::printf("%-22s %12.1f %12.1f %13.2fx %13.2fx  %s\n", named.name, naive / 1e6,
            table / 1e6, table / naive, floor > 0.0 ? floor / table : 0.0,
            table / naive >= 2.5 ? "met" : "MISSED");
    }
    if (floor > 0.0) {
        std::printf("byte_swap_floor: %.1f MP/s\n", floor / 1e6);
    }
    benchmark::Shutdown();
    return 0;
}
