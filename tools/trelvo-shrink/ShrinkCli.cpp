#include "ShrinkCli.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <getopt.h>
#include <unistd.h>

#include "settings/Settings.h"
#include "settings/SettingsStore.h"
#include "shrink/ShrinkBatch.h"

#ifndef TRELVO_VERSION
#define TRELVO_VERSION "unknown"
#endif

namespace {

constexpr const char kProgram[] = "trelvo-shrink";

constexpr const char kUsage[] = R"(Usage: trelvo-shrink [OPTION]... PATH...
Shrinks JPEG photos as dropping PATH... onto the Trelvo dialog does: one PATH is a photo
when it contains "jpg" in any case, else a folder whose photos are shrunk; several PATHs
are all photos. Each result is written as <name>s.jpg, into the output folder or beside
its photo, and its path is printed on standard output.

Options override the settings of the Trelvo dialog for this run only:
  -d, --denom N            decode at 1/N of the size: 1, 2, 4 or 8
  -q, --quality Q          JPEG quality, 1 to 100
      --color              shift hue, saturation and brightness
      --no-color           leave the colours as they are
      --hue H              hue shift in degrees, -180 to 180
      --saturation S       saturation change in percent, -100 to 100
      --value V            brightness change in percent, -100 to 100
      --same-folder        write each result beside its photo
  -o, --output-folder DIR  write the results into DIR (created when missing)
  -j, --jobs N             photos shrunk at once (default: the number of cores)
      --quiet              print neither the written files nor progress
  -h, --help               show this help and exit
      --version            show the version and exit

Exit status: 0 when every photo was written, 1 when any failed or there was
nothing to shrink, 2 on a usage error.
)";

enum LongOnly
{
    kColor = 256,
    kNoColor,
    kHue,
    kSaturation,
    kValue,
    kSameFolder,
    kQuiet,
    kVersion
};

struct CliOptions
{
    std::vector<std::string> paths;
    int jobs = 1;
    bool quiet = false;
    bool sameFolderGiven = false;
    bool outputFolderGiven = false;
};

class CUsageError
{
public:
    explicit CUsageError(std::string message)
        : m_message(std::move(message))
    { }
    const std::string &Message() const { return m_message; }

private:
    std::string m_message;
};

int ParseInteger(const char *text, const char *option, long low, long high)
{
    errno = 0;
    char *end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < low || value > high) {
        throw CUsageError(std::string("invalid value '") + text + "' for " + option + " ("
            + std::to_string(low) + " to " + std::to_string(high) + ")");
    }
    return static_cast<int>(value);
}

int DefaultJobs()
{
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

// Applies the options to the settings; throws CUsageError.
CliOptions ParseOptions(int argc, char **argv, bool &exitNow, std::FILE *out)
{
    static const option kLongOptions[] = {
        {"denom", required_argument, nullptr, 'd'},
        {"quality", required_argument, nullptr, 'q'},
        {"color", no_argument, nullptr, kColor},
        {"no-color", no_argument, nullptr, kNoColor},
        {"hue", required_argument, nullptr, kHue},
        {"saturation", required_argument, nullptr, kSaturation},
        {"value", required_argument, nullptr, kValue},
        {"same-folder", no_argument, nullptr, kSameFolder},
        {"output-folder", required_argument, nullptr, 'o'},
        {"jobs", required_argument, nullptr, 'j'},
        {"quiet", no_argument, nullptr, kQuiet},
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, kVersion},
        {nullptr, 0, nullptr, 0},
    };
    CliOptions options;
    options.jobs = DefaultJobs();
    exitNow = false;
    optind = 0; // restart getopt's scan; it keeps its state in globals
    opterr = 0;
    for (;;) {
        const int c = getopt_long(argc, argv, ":d:q:o:j:h", kLongOptions, nullptr);
        if (c == -1) {
            break;
        }
        // After an error getopt has stepped past the offending word.
        const std::string name = c == '?' && optopt != 0
            ? std::string("-") + static_cast<char>(optopt)
            : argv[optind - 1];
        switch (c) {
        case 'd': {
            const int denom = ParseInteger(optarg, "--denom", 1, 8);
            if (denom != 1 && denom != 2 && denom != 4 && denom != 8) {
                throw CUsageError(
                    std::string("invalid value '") + optarg + "' for --denom (1, 2, 4 or 8)");
            }
            settings::CompressDenom = denom;
            break;
        }
        case 'q':
            settings::CompressRate = ParseInteger(optarg, "--quality", 1, 100);
            break;
        case kColor:
            settings::Color = 1;
            break;
        case kNoColor:
            settings::Color = 0;
            break;
        case kHue:
            settings::Hue = ParseInteger(optarg, "--hue", -180, 180);
            break;
        case kSaturation:
            settings::Saturation = ParseInteger(optarg, "--saturation", -100, 100);
            break;
        case kValue:
            settings::Value = ParseInteger(optarg, "--value", -100, 100);
            break;
        case kSameFolder:
            settings::SameFolder = 1;
            options.sameFolderGiven = true;
            break;
        case 'o':
            if (*optarg == '\0') {
                throw CUsageError("--output-folder needs a folder");
            }
            settings::CompressPath = optarg;
            settings::SameFolder = 0;
            options.outputFolderGiven = true;
            break;
        case 'j':
            options.jobs = ParseInteger(optarg, "--jobs", 1, 1024);
            break;
        case kQuiet:
            options.quiet = true;
            break;
        case 'h':
            std::fputs(kUsage, out);
            exitNow = true;
            return options;
        case kVersion:
            std::fprintf(out, "%s %s\n", kProgram, TRELVO_VERSION);
            exitNow = true;
            return options;
        case ':':
            throw CUsageError("option '" + name + "' needs a value");
        default:
            throw CUsageError("unknown option '" + name + "'");
        }
    }
    if (options.sameFolderGiven && options.outputFolderGiven) {
        throw CUsageError("--same-folder and --output-folder exclude each other");
    }
    for (int i = optind; i < argc; ++i) {
        options.paths.emplace_back(argv[i]);
    }
    if (options.paths.empty()) {
        throw CUsageError("no PATH given");
    }
    return options;
}

// A one-line bar on a terminal, drawn once the batch has run for a moment.
class CProgress
{
public:
    CProgress(std::FILE *err, bool enabled)
        : m_err(err)
        , m_enabled(enabled && isatty(fileno(err)))
        , m_start(std::chrono::steady_clock::now())
    { }
    void Show(std::size_t done, std::size_t count)
    {
        if (!m_enabled
            || std::chrono::steady_clock::now() - m_start < std::chrono::milliseconds(500)) {
            return;
        }
        constexpr std::size_t kWidth = 30;
        const std::size_t filled = count == 0 ? kWidth : done * kWidth / count;
        std::fprintf(m_err, "\r[%s%s] %zu/%zu", std::string(filled, '#').c_str(),
            std::string(kWidth - filled, '.').c_str(), done, count);
        std::fflush(m_err);
        m_shown = true;
    }
    void Clear()
    {
        if (m_shown) {
            std::fputs("\r\033[K", m_err);
            m_shown = false;
        }
    }

private:
    std::FILE *m_err;
    bool m_enabled;
    bool m_shown = false;
    std::chrono::steady_clock::time_point m_start;
};

} // namespace

int RunShrinkCli(int argc, char **argv, std::FILE *out, std::FILE *err, settings::IProfile *stored)
{
    if (stored) {
        settings::CSettingsStore(*stored).LoadSettings();
    } else {
        settings::LoadDefaultSettings();
    }
    CliOptions options;
    try {
        bool exitNow = false;
        options = ParseOptions(argc, argv, exitNow, out);
        if (exitNow) {
            return 0;
        }
    } catch (const CUsageError &error) {
        std::fprintf(err, "%s: %s\nTry '%s --help' for more information.\n", kProgram,
            error.Message().c_str(), kProgram);
        return 2;
    }

    if (settings::SameFolder == 0) {
        std::error_code error;
        std::filesystem::create_directories(settings::CompressPath, error);
        if (error) {
            std::fprintf(err, "%s: cannot create %s: %s\n", kProgram,
                settings::CompressPath.c_str(), error.message().c_str());
            return 1;
        }
    }

    CProgress progress(err, !options.quiet);
    bool allWritten = true;
    shrink::BatchOptions batchOptions;
    batchOptions.jobs = options.jobs;
    batchOptions.onPhotoDone = [&](std::size_t index, std::size_t count,
                                   const shrink::PhotoResult &result) {
        progress.Clear();
        if (result.status == shrink::PhotoStatus::Written) {
            if (!options.quiet) {
                if (!result.warning.empty()) {
                    std::fprintf(err, "%s: %s: warning: %s\n", kProgram, result.source.c_str(),
                        result.warning.c_str());
                }
                std::fprintf(out, "%s\n", result.output.c_str());
                std::fflush(out);
            }
        } else {
            allWritten = false;
            std::fprintf(
                err, "%s: %s: %s\n", kProgram, result.source.c_str(), result.reason.c_str());
        }
        progress.Show(index + 1, count);
    };
    const shrink::BatchResult batch = shrink::RunShrinkBatch(options.paths, batchOptions);
    progress.Clear();
    if (batch.outcome == shrink::BatchOutcome::EmptyFolder) {
        std::fprintf(err, "%s: %s: %s\n", kProgram, options.paths.front().c_str(),
            shrink::kEmptyFolderMessage);
        return 1;
    }
    return allWritten && !batch.photos.empty() ? 0 : 1;
}
