// One whole photo shrink in-process (LoadJpeg at 1/2 + SaveJpeg at quality 60), colour on and
// off, against plain libjpeg decode+encode with the settings of `djpeg -scale 1/2 -dct fast
// -nosmooth | cjpeg -quality 60`. Everything is reported as ratios to that reference, measured in
// the same process on the same file, so that the figures survive a change of machine.
//
// Flags besides Google Benchmark's:
//   --photo=PATH    shrink PATH instead of the generated ~10 MP test photo
//   --corpus=DIR    measure peak memory on the largest *.jpg of DIR (default: the test photo)
//   --denom=N       scale denominator, default 2
//   --quality=Q     JPEG quality, default 60
//   --no-rss        skip the peak-memory measurement

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <jpeglib.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "SyntheticPhoto.h"
#include "image/PhotoImage.h"
#include "settings/Settings.h"

extern char **environ;

namespace {

constexpr const char kChildFlag[] = "--peak-rss-child";

// Row by row: the picture is never held whole, so generating it costs no memory worth mentioning.
bool WriteSyntheticJpeg(const std::string &path, int width, int height, int quality)
{
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
    while (info.next_scanline < info.image_height) {
        const int y = static_cast<int>(info.next_scanline);
        for (int x = 0; x < width; ++x) {
            bench::SyntheticPixel(x, y, width, height, &row[3 * x]);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0;
}

// The decode+encode that `djpeg -scale 1/D -dct fast -nosmooth | cjpeg -quality Q` performs,
// without the PPM pipe. Streaming keeps only a few rows in memory, as the pipe does; buffered
// decodes the whole picture first, as the product must (its working image is a full bitmap).
// libjpeg's default error handler exits: acceptable in a benchmark, never in the product.
void ReferenceShrink(
    const std::string &in, const std::string &out, int denom, int quality, bool buffered)
{
    std::FILE *input = std::fopen(in.c_str(), "rb");
    std::FILE *output = std::fopen(out.c_str(), "wb");
    if (!input || !output) {
        std::fprintf(stderr, "reference: cannot open %s or %s\n", in.c_str(), out.c_str());
        std::exit(1);
    }
    jpeg_decompress_struct d{};
    jpeg_compress_struct c{};
    jpeg_error_mgr dErrors{}, cErrors{};
    d.err = jpeg_std_error(&dErrors);
    c.err = jpeg_std_error(&cErrors);
    jpeg_create_decompress(&d);
    jpeg_create_compress(&c);

    jpeg_stdio_src(&d, input);
    jpeg_read_header(&d, TRUE);
    d.scale_num = 1;
    d.scale_denom = static_cast<unsigned>(denom);
    d.dct_method = JDCT_IFAST;
    d.do_fancy_upsampling = FALSE;
    d.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d);

    jpeg_stdio_dest(&c, output);
    c.image_width = d.output_width;
    c.image_height = d.output_height;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);

    const std::size_t stride = static_cast<std::size_t>(d.output_width) * 3;
    const JDIMENSION height = d.output_height;
    if (buffered) {
        std::vector<std::uint8_t> picture(stride * height);
        std::vector<JSAMPROW> rows(height);
        for (JDIMENSION y = 0; y < height; ++y) {
            rows[y] = picture.data() + y * stride;
        }
        while (d.output_scanline < height) {
            jpeg_read_scanlines(&d, rows.data() + d.output_scanline, height - d.output_scanline);
        }
        jpeg_finish_decompress(&d);
        jpeg_start_compress(&c, TRUE);
        while (c.next_scanline < height) {
            jpeg_write_scanlines(&c, rows.data() + c.next_scanline, height - c.next_scanline);
        }
    } else {
        constexpr int kRows = 16;
        std::vector<std::uint8_t> band(stride * kRows);
        JSAMPROW rows[kRows];
        for (int k = 0; k < kRows; ++k) {
            rows[k] = band.data() + k * stride;
        }
        jpeg_start_compress(&c, TRUE);
        while (d.output_scanline < height) {
            const JDIMENSION n = jpeg_read_scanlines(&d, rows, kRows);
            jpeg_write_scanlines(&c, rows, n);
        }
        jpeg_finish_decompress(&d);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    jpeg_destroy_decompress(&d);
    std::fclose(input);
    if (std::fclose(output) != 0) {
        std::fprintf(stderr, "reference: cannot write %s\n", out.c_str());
        std::exit(1);
    }
}

// The product's defaults (hue 0, saturation +40 %, value +10 %) with the colour step switched on
// or off.
image::ColorShift ProductShift(bool colour)
{
    settings::LoadDefaultSettings();
    image::ColorShift shift;
    shift.enabled = colour;
    shift.hue = settings::Hue;
    shift.saturation = settings::Saturation;
    shift.value = settings::Value;
    return shift;
}

bool OurShrink(image::CPhotoImage &photo, const std::string &in, const std::string &out, int denom,
    int quality, const image::ColorShift &shift)
{
    if (!photo.LoadJpeg(in, denom)) {
        std::fprintf(stderr, "LoadJpeg %s: %s\n", in.c_str(), photo.LastError().c_str());
        return false;
    }
    if (photo.SaveJpeg(out, quality, photo.m_bitmap.get(), shift) != image::kSaved) {
        std::fprintf(stderr, "SaveJpeg %s: %s\n", out.c_str(), photo.LastError().c_str());
        return false;
    }
    photo.m_bitmap.reset(); // as the batch does between photos
    return true;
}

bool ReadAll(const std::string &path, std::vector<char> &bytes)
{
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        return false;
    }
    bytes.clear();
    char buffer[1 << 16];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    std::fclose(file);
    return true;
}

bool SameBytes(const std::string &a, const std::string &b)
{
    std::vector<char> x, y;
    return ReadAll(a, x) && ReadAll(b, y) && x == y;
}

long FileSize(const std::string &path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0 ? static_cast<long>(status.st_size) : -1;
}

bool JpegSize(const std::string &path, long &width, long &height)
{
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        return false;
    }
    jpeg_decompress_struct d{};
    jpeg_error_mgr errors{};
    d.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&d);
    jpeg_stdio_src(&d, file);
    jpeg_read_header(&d, TRUE);
    width = d.image_width;
    height = d.image_height;
    jpeg_destroy_decompress(&d);
    std::fclose(file);
    return true;
}

std::string LargestJpegIn(const std::string &folder)
{
    std::string best;
    long bestPixels = 0;
    DIR *dir = opendir(folder.c_str());
    if (!dir) {
        return best;
    }
    while (const dirent *entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() < 5 || name.compare(name.size() - 4, 4, ".jpg") != 0) {
            continue;
        }
        long w = 0, h = 0;
        const std::string path = folder + "/" + name;
        if (JpegSize(path, w, h) && w * h > bestPixels) {
            bestPixels = w * h;
            best = path;
        }
    }
    closedir(dir);
    return best;
}

// This process's own peak resident memory in KiB, from /proc. Unlike ru_maxrss, VmHWM belongs
// to the address space created at exec, so a child started by a bigger parent reports only itself.
long OwnPeakRssKiB()
{
    std::FILE *status = std::fopen("/proc/self/status", "r");
    if (!status) {
        return -1;
    }
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, "VmHWM:", 6) == 0) {
            kib = std::strtol(line + 6, nullptr, 10);
            break;
        }
    }
    std::fclose(status);
    return kib;
}

// Child side of the peak-memory measurement: one shrink, then its peak written to `report`.
int RunPeakRssChild(int argc, char **argv)
{
    if (argc != 7) {
        return 2;
    }
    const std::string mode = argv[2], in = argv[3], out = argv[4], report = argv[6];
    const int denom = std::atoi(argv[5]);
    if (mode == "reference_streaming" || mode == "reference_buffered") {
        ReferenceShrink(in, out, denom, 60, mode == "reference_buffered");
    } else if (mode != "idle") {
        image::CPhotoImage photo;
        if (!OurShrink(photo, in, out, denom, 60, ProductShift(mode == "colour_on"))) {
            return 1;
        }
    }
    std::FILE *file = std::fopen(report.c_str(), "w");
    if (!file) {
        return 1;
    }
    std::fprintf(file, "%ld\n", OwnPeakRssKiB());
    return std::fclose(file) == 0 ? 0 : 1;
}

// Peak resident memory (KiB) of one shrink in a fresh process; -1 on failure.
long PeakRssKiB(const std::string &self, const std::string &mode, const std::string &in,
    const std::string &out, int denom)
{
    const std::string denomText = std::to_string(denom);
    const std::string report = out + ".rss";
    std::vector<char *> args = {const_cast<char *>(self.c_str()), const_cast<char *>(kChildFlag),
        const_cast<char *>(mode.c_str()), const_cast<char *>(in.c_str()),
        const_cast<char *>(out.c_str()), const_cast<char *>(denomText.c_str()),
        const_cast<char *>(report.c_str()), nullptr};
    pid_t pid;
    if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, args.data(), environ) != 0) {
        return -1;
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1;
    }
    long kib = -1;
    if (std::FILE *file = std::fopen(report.c_str(), "r")) {
        if (std::fscanf(file, "%ld", &kib) != 1) {
            kib = -1;
        }
        std::fclose(file);
    }
    unlink(report.c_str());
    return kib;
}

// Keeps the time of every benchmark, so that ratios can be printed after the usual table.
class CTimeReporter : public benchmark::ConsoleReporter
{
public:
    // A custom display reporter does not follow --benchmark_color: colour only on a terminal.
    CTimeReporter()
        : ConsoleReporter(isatty(fileno(stdout)) ? OO_Color : OO_None)
    { }

    struct Times
    {
        double real = 0.0;
        double cpu = 0.0;
    };

    void ReportRuns(const std::vector<Run> &reports) override
    {
        ConsoleReporter::ReportRuns(reports);
        for (const Run &run : reports) {
            if (run.error_occurred) {
                continue;
            }
            const std::string &name = run.run_name.function_name;
            const Times times{run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                m_median[name] = times;
            } else if (run.run_type == Run::RT_Iteration) {
                m_samples[name].push_back(times);
            }
        }
    }

    // Median over repetitions, in the benchmark's unit; zeros when it did not run.
    Times Get(const std::string &name) const
    {
        if (const auto median = m_median.find(name); median != m_median.end()) {
            return median->second;
        }
        const auto samples = m_samples.find(name);
        if (samples == m_samples.end() || samples->second.empty()) {
            return {};
        }
        auto median = [](std::vector<double> values) {
            std::sort(values.begin(), values.end());
            const std::size_t n = values.size();
            return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
        };
        std::vector<double> real, cpu;
        for (const Times &t : samples->second) {
            real.push_back(t.real);
            cpu.push_back(t.cpu);
        }
        return {median(real), median(cpu)};
    }

private:
    std::map<std::string, Times> m_median;
    std::map<std::string, std::vector<Times>> m_samples;
};

struct Options
{
    std::string photo;
    std::string corpus;
    int denom = 2;
    int quality = 60;
    bool rss = true;
};

std::string g_scratch;

void RemoveScratch()
{
    if (g_scratch.empty()) {
        return;
    }
    if (DIR *dir = opendir(g_scratch.c_str())) {
        while (const dirent *entry = readdir(dir)) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
                unlink((g_scratch + "/" + entry->d_name).c_str());
            }
        }
        closedir(dir);
    }
    rmdir(g_scratch.c_str());
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], kChildFlag) == 0) {
        return RunPeakRssChild(argc, argv);
    }
    benchmark::Initialize(&argc, argv);
    Options options;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--photo=", 0) == 0) {
            options.photo = arg.substr(8);
        } else if (arg.rfind("--corpus=", 0) == 0) {
            options.corpus = arg.substr(9);
        } else if (arg.rfind("--denom=", 0) == 0) {
            options.denom = std::atoi(arg.c_str() + 8);
        } else if (arg.rfind("--quality=", 0) == 0) {
            options.quality = std::atoi(arg.c_str() + 10);
        } else if (arg == "--no-rss") {
            options.rss = false;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 2;
    }

    const char *tmp = std::getenv("TMPDIR");
    std::string scratch = std::string(tmp && *tmp ? tmp : "/tmp") + "/trelvo-shrink-bench.XXXXXX";
    if (!mkdtemp(scratch.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    g_scratch = scratch;
    std::atexit(RemoveScratch);

    std::string photo = options.photo;
    if (photo.empty()) {
        photo = scratch + "/test-photo.jpg";
        if (!WriteSyntheticJpeg(photo, 3872, 2592, 90)) {
            std::fprintf(stderr, "cannot write %s\n", photo.c_str());
            return 1;
        }
    }
    long width = 0, height = 0;
    if (!JpegSize(photo, width, height)) {
        std::fprintf(stderr, "cannot read %s\n", photo.c_str());
        return 1;
    }
    std::printf("photo: %s, %ldx%ld (%.2f MP), %.2f MB; scale 1/%d, quality %d\n", photo.c_str(),
        width, height, width * height / 1e6, FileSize(photo) / 1e6, options.denom, options.quality);

    if (options.rss) {
        const std::string rssPhoto = options.corpus.empty() ? photo : LargestJpegIn(options.corpus);
        char self[4096];
        const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        if (rssPhoto.empty() || n <= 0) {
            std::printf("peak memory: skipped (no photo found or no /proc/self/exe)\n");
        } else {
            self[n] = '\0';
            long w = 0, h = 0;
            JpegSize(rssPhoto, w, h);
            std::printf("\nPeak RSS (VmHWM) of one shrink in a fresh process, %s (%.2f MP)\n",
                rssPhoto.c_str(), w * h / 1e6);
            const long idle = PeakRssKiB(self, "idle", rssPhoto, scratch + "/rss.jpg", 1);
            std::printf("  idle process (no shrink): %.1f MiB\n", idle / 1024.0);
            for (const int denom : {1, 2}) {
                const long floor =
                    PeakRssKiB(self, "reference_streaming", rssPhoto, scratch + "/rss.jpg", denom);
                for (const char *mode :
                    {"colour_on", "colour_off", "reference_buffered", "reference_streaming"}) {
                    const long kib = PeakRssKiB(self, mode, rssPhoto, scratch + "/rss.jpg", denom);
                    std::printf("  1/%d %-20s %7.1f MiB  (%.2fx streaming reference; above idle: "
                                "%.1f MiB)\n",
                        denom, mode, kib / 1024.0,
                        floor > 0 ? static_cast<double>(kib) / floor : 0.0, (kib - idle) / 1024.0);
                }
            }
        }
    }

    // Same pixels, same settings: with the colour step off the product must write what the
    // reference writes (no EXIF in the test photo, so both carry the JFIF header).
    {
        image::CPhotoImage check;
        const std::string ours = scratch + "/check-ours.jpg",
                          reference = scratch + "/check-reference.jpg",
                          buffered = scratch + "/check-buffered.jpg";
        if (!OurShrink(check, photo, ours, options.denom, options.quality, ProductShift(false))) {
            return 1;
        }
        ReferenceShrink(photo, reference, options.denom, options.quality, false);
        ReferenceShrink(photo, buffered, options.denom, options.quality, true);
        std::printf("\ncolour off output == reference output: %s (%ld vs %ld bytes%s)\n",
            SameBytes(ours, reference) ? "yes, byte for byte" : "NO", FileSize(ours),
            FileSize(reference),
            check.m_exif ? "; the source has EXIF, so no JFIF header expected" : "");
        std::printf("buffered reference == streaming reference: %s\n\n",
            SameBytes(buffered, reference) ? "yes" : "NO");
        std::fflush(stdout);
    }

    const int denom = options.denom, quality = options.quality;
    const std::string out = scratch + "/out.jpg";
    for (const bool colour : {true, false}) {
        const image::ColorShift shift = ProductShift(colour);
        benchmark::RegisterBenchmark(colour ? "shrink/colour_on" : "shrink/colour_off",
            [=](benchmark::State &state) {
                image::CPhotoImage photoImage;
                for (auto _ : state) {
                    if (!OurShrink(photoImage, photo, out, denom, quality, shift)) {
                        state.SkipWithError("shrink failed");
                        break;
                    }
                }
            })
            ->Unit(benchmark::kMillisecond);
    }
    for (const bool buffered : {false, true}) {
        benchmark::RegisterBenchmark(
            buffered ? "reference/libjpeg_buffered" : "reference/libjpeg_streaming",
            [=](benchmark::State &state) {
                for (auto _ : state) {
                    ReferenceShrink(photo, out, denom, quality, buffered);
                }
            })
            ->Unit(benchmark::kMillisecond);
    }
    // The two halves of the product's shrink apart, to see which one carries an overhead.
    benchmark::RegisterBenchmark("part/load_only", [=](benchmark::State &state) {
        image::CPhotoImage photoImage;
        for (auto _ : state) {
            if (!photoImage.LoadJpeg(photo, denom)) {
                state.SkipWithError("load failed");
                break;
            }
            photoImage.m_bitmap.reset();
        }
    })->Unit(benchmark::kMillisecond);
    for (const bool colour : {true, false}) {
        const image::ColorShift shift = ProductShift(colour);
        benchmark::RegisterBenchmark(
            colour ? "part/save_only_colour_on" : "part/save_only_colour_off",
            [=](benchmark::State &state) {
                image::CPhotoImage photoImage;
                if (!photoImage.LoadJpeg(photo, denom)) {
                    state.SkipWithError("load failed");
                    return;
                }
                for (auto _ : state) {
                    if (photoImage.SaveJpeg(out, quality, photoImage.m_bitmap.get(), shift)
                        != image::kSaved) {
                        state.SkipWithError("save failed");
                        break;
                    }
                }
            })
            ->Unit(benchmark::kMillisecond);
    }

    CTimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const CTimeReporter::Times floor = reporter.Get("reference/libjpeg_streaming");
    if (floor.real > 0.0) {
        std::printf(
            "\nRatios to reference/libjpeg_streaming (%.1f ms real, %.1f ms CPU per photo)\n",
            floor.real, floor.cpu);
        std::printf(
            "%-30s %10s %10s %10s %10s\n", "benchmark", "real ms", "CPU ms", "x (real)", "x (CPU)");
        for (const char *name :
            {"shrink/colour_on", "shrink/colour_off", "reference/libjpeg_buffered",
                "part/load_only", "part/save_only_colour_on", "part/save_only_colour_off"}) {
            const CTimeReporter::Times t = reporter.Get(name);
            if (t.real > 0.0) {
                std::printf("%-30s %10.1f %10.1f %9.2fx %9.2fx\n", name, t.real, t.cpu,
                    t.real / floor.real, t.cpu / floor.cpu);
            }
        }
        const CTimeReporter::Times on = reporter.Get("shrink/colour_on"),
                                   off = reporter.Get("shrink/colour_off");
        if (on.cpu > 0.0 && off.cpu > 0.0) {
            std::printf(
                "colour on / colour off: %.2fx (CPU); the colour step costs %.1f ms per photo\n",
                on.cpu / off.cpu, on.cpu - off.cpu);
        }
    }
    benchmark::Shutdown();
    return 0;
}
