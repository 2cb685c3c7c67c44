#include "PhotoImage.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <jpeglib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "settings/Settings.h"

namespace image {

namespace {

    struct FileCloser
    {
        void operator()(std::FILE *file) const { std::fclose(file); }
    };
    using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

    // libjpeg reports fatal errors through error_exit, which must not return. It jumps back to the
    // setjmp of DecodeInto or EncodeFrom; no C++ exception ever crosses the library's C frames.
    struct JpegErrorManager : jpeg_error_mgr
    {
        std::jmp_buf jumpBuffer;
        char message[JMSG_LENGTH_MAX] = {};
        char firstWarning[JMSG_LENGTH_MAX] = {};
    };

    JpegErrorManager &Errors(j_common_ptr info)
    {
        return *static_cast<JpegErrorManager *>(info->err);
    }

    [[noreturn]] void FailWith(j_common_ptr info, const char *text)
    {
        JpegErrorManager &errors = Errors(info);
        std::snprintf(errors.message, sizeof errors.message, "%s", text);
        std::longjmp(errors.jumpBuffer, 1);
    }

    [[noreturn]] void OnFatalError(j_common_ptr info)
    {
        JpegErrorManager &errors = Errors(info);
        errors.format_message(info, errors.message);
        std::longjmp(errors.jumpBuffer, 1);
    }

    // Warnings (damaged data the library works around) are kept for the caller instead of going to
    // stderr, where they would lack the file's name. Trace messages are dropped.
    void OnMessage(j_common_ptr info, int level)
    {
        JpegErrorManager &errors = Errors(info);
        if (level >= 0) {
            return;
        }
        if (errors.num_warnings == 0) {
            errors.format_message(info, errors.firstWarning);
        }
        ++errors.num_warnings;
    }

    void InstallErrorHandlers(JpegErrorManager &errors)
    {
        errors.error_exit = &OnFatalError;
        errors.emit_message = &OnMessage;
    }

    void OnProgress(j_common_ptr info)
    {
        if (!info->is_decompressor) {
            return;
        }
        const auto *decompress = reinterpret_cast<j_decompress_ptr>(info);
        const auto scans = static_cast<unsigned long long>(decompress->input_scan_number);
        const unsigned long long pixels =
            static_cast<unsigned long long>(decompress->image_width) * decompress->image_height;
        if (scans > kMaxProgressiveScans || scans * pixels > kMaxScanPixels) {
            FailWith(info, "too many progressive scans");
        }
    }

    // Owns a decompressor and everything a decode allocates, so that one destructor releases it all
    // exactly once, however the decode ended.
    class CJpegDecompressor
    {
    public:
        CJpegDecompressor()
        {
            m_info.err = jpeg_std_error(&m_errors);
            jpeg_create_decompress(&m_info); // fails only on a header/library mismatch: let it exit
            InstallErrorHandlers(m_errors);
            m_info.mem->max_memory_to_use = kMaxDecoderMemory;
            m_progress.progress_monitor = &OnProgress;
            m_info.progress = &m_progress;
        }
        ~CJpegDecompressor() { jpeg_destroy_decompress(&m_info); }
        CJpegDecompressor(const CJpegDecompressor &) = delete;
        CJpegDecompressor &operator=(const CJpegDecompressor &) = delete;

        jpeg_decompress_struct m_info{};
        JpegErrorManager m_errors;
        jpeg_progress_mgr m_progress{};
        std::vector<JSAMPROW> m_rows;
        std::vector<JSAMPLE> m_cmykRow;
        std::unique_ptr<CWorkingBitmap> m_bitmap;
    };

    class CJpegCompressor
    {
    public:
        CJpegCompressor()
        {
            m_info.err = jpeg_std_error(&m_errors);
            jpeg_create_compress(&m_info); // fails only on a header/library mismatch: let it exit
            InstallErrorHandlers(m_errors);
        }
        ~CJpegCompressor() { jpeg_destroy_compress(&m_info); }
        CJpegCompressor(const CJpegCompressor &) = delete;
        CJpegCompressor &operator=(const CJpegCompressor &) = delete;

        jpeg_compress_struct m_info{};
        JpegErrorManager m_errors;
    };

    // libjpeg-turbo also scales by 3/8, 5/8…; only the four powers of two are offered.
    unsigned ScaleDenominator(int denom)
    {
        const auto d = static_cast<unsigned>(denom);
        if (d >= 8) {
            return 8;
        }
        if (d >= 4) {
            return 4;
        }
        return d >= 2 ? 2 : 1;
    }

    // CMYK as Adobe writes it is stored inverted (0 = full ink); plain CMYK is not.
    void CmykRowToBgr(const JSAMPLE *cmyk, std::uint8_t *bgr, JDIMENSION width, bool inverted)
    {
        for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
            int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
            if (!inverted) {
                c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
            }
            bgr[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
            bgr[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
            bgr[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
        }
    }

    // Only trivially destructible locals here: a longjmp that skips a destructor is undefined.
    bool DecodeInto(CJpegDecompressor &jpeg, std::FILE *file, int denom)
    {
        j_decompress_ptr info = &jpeg.m_info;
        if (setjmp(jpeg.m_errors.jumpBuffer)) {
            return false;
        }
        jpeg_stdio_src(info, file);
        jpeg_read_header(info, TRUE);
        if (static_cast<unsigned long long>(info->image_width) * info->image_height
            > kMaxSourcePixels) {
            FailWith(reinterpret_cast<j_common_ptr>(info), "picture too large");
        }
        info->scale_num = 1;
        info->scale_denom = ScaleDenominator(denom);
        info->dct_method = JDCT_IFAST;
        info->do_fancy_upsampling = FALSE;
        // The decoder writes B,G,R straight into the bitmap's rows: the same values as its RGB
        // output in the order the bitmap keeps them. Grey pictures come out as B,G,R too.
        const bool cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
        info->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
        jpeg_start_decompress(info);

        const JDIMENSION width = info->output_width;
        const JDIMENSION height = info->output_height;
        jpeg.m_bitmap = CWorkingBitmap::Create(static_cast<int>(width), static_cast<int>(height));
        if (!jpeg.m_bitmap) {
            FailWith(reinterpret_cast<j_common_ptr>(info), "not enough memory for the picture");
        }
        CWorkingBitmap &bitmap = *jpeg.m_bitmap;
        if (!cmyk) {
            jpeg.m_rows.resize(height);
            for (JDIMENSION y = 0; y < height; ++y) {
                jpeg.m_rows[y] = bitmap.PictureRow(static_cast<int>(y));
            }
            while (info->output_scanline < height) {
                const JDIMENSION first = info->output_scanline;
                if (jpeg_read_scanlines(info, jpeg.m_rows.data() + first, height - first) == 0) {
                    FailWith(reinterpret_cast<j_common_ptr>(info), "the decoder delivered no rows");
                }
            }
        } else {
            jpeg.m_cmykRow.resize(static_cast<std::size_t>(width) * 4);
            JSAMPROW row = jpeg.m_cmykRow.data();
            const bool inverted = info->saw_Adobe_marker;
            while (info->output_scanline < height) {
                const JDIMENSION y = info->output_scanline;
                if (jpeg_read_scanlines(info, &row, 1) == 0) {
                    FailWith(reinterpret_cast<j_common_ptr>(info), "the decoder delivered no rows");
                }
                CmykRowToBgr(row, bitmap.PictureRow(static_cast<int>(y)), width, inverted);
            }
        }
        jpeg_finish_decompress(info);
        return true;
    }

    constexpr int kRowsPerWrite = 16;

    // Only trivially destructible locals here: a longjmp that skips a destructor is undefined.
    bool EncodeFrom(CJpegCompressor &jpeg, std::FILE *file, const CWorkingBitmap &bitmap,
        int quality, bool writeJfif, const CColorAdjuster *adjuster, std::uint8_t *rgbRows)
    {
        j_compress_ptr info = &jpeg.m_info;
        if (setjmp(jpeg.m_errors.jumpBuffer)) {
            return false;
        }
        jpeg_stdio_dest(info, file);
        info->image_width = static_cast<JDIMENSION>(bitmap.Width());
        info->image_height = static_cast<JDIMENSION>(bitmap.Height());
        info->input_components = 3;
        // Unadjusted pixels go to the encoder straight from the bitmap as B,G,R, which it converts
        // exactly as the same pixels given as R,G,B.
        info->in_color_space = adjuster ? JCS_RGB : JCS_EXT_BGR;
        jpeg_set_defaults(info);
        info->write_JFIF_header = writeJfif ? TRUE : FALSE;
        jpeg_set_quality(info, quality, TRUE);
        jpeg_start_compress(info, TRUE);

        const JDIMENSION height = info->image_height;
        const std::size_t rgbStride = static_cast<std::size_t>(bitmap.Width()) * 3;
        JSAMPROW rows[kRowsPerWrite];
        while (info->next_scanline < height) {
            const JDIMENSION first = info->next_scanline;
            const JDIMENSION count = std::min<JDIMENSION>(kRowsPerWrite, height - first);
            for (JDIMENSION k = 0; k < count; ++k) {
                const std::uint8_t *source = bitmap.PictureRow(static_cast<int>(first + k));
                if (adjuster) {
                    rows[k] = rgbRows + k * rgbStride;
                    adjuster->ConvertBgrRowToRgb(source, rows[k], bitmap.Width());
                } else {
                    rows[k] = const_cast<JSAMPROW>(source);
                }
            }
            jpeg_write_scanlines(info, rows, count);
        }
        jpeg_finish_compress(info);
        return true;
    }

    // A new file beside the target, renamed over it only once complete, so that a failed save never
    // leaves a partial file or damages the file that had the name. Removed unless committed.
    class CPendingFile
    {
    public:
        // Creates the file; on failure File() is null and errno tells why.
        explicit CPendingFile(const std::string &target)
            : m_target(target)
        {
            static std::atomic<unsigned> counter{0};
            const std::size_t slash = target.rfind('/');
            const std::string folder =
                slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
            for (int attempt = 0; attempt < 100; ++attempt) {
                m_path = folder + ".trelvo-" + std::to_string(getpid()) + "-"
                    + std::to_string(counter.fetch_add(1)) + ".tmp";
                // 0666 less the umask, as any new file of the user's.
                const int fd = open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
                if (fd >= 0) {
                    m_file = fdopen(fd, "wb");
                    if (!m_file) {
                        const int saved = errno;
                        close(fd);
                        unlink(m_path.c_str());
                        errno = saved;
                    }
                    return;
                }
                if (errno != EEXIST) {
                    return;
                }
            }
        }
        ~CPendingFile()
        {
            if (m_file) {
                std::fclose(m_file);
            }
            if (!m_committed) {
                unlink(m_path.c_str());
            }
        }
        CPendingFile(const CPendingFile &) = delete;
        CPendingFile &operator=(const CPendingFile &) = delete;

        std::FILE *File() const { return m_file; }

        // Closes the file and puts it in the target's place; false (errno set) when that failed.
        bool Commit()
        {
            std::FILE *file = m_file;
            m_file = nullptr;
            struct stat existing;
            if (stat(m_target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
                // A replaced file keeps its permissions, as when it is rewritten in place.
                (void)fchmod(fileno(file), existing.st_mode & 07777);
            }
            bool written = std::fflush(file) == 0 && !std::ferror(file);
            int error = errno;
            if (std::fclose(file) != 0 && written) {
                written = false;
                error = errno;
            }
            if (!written) {
                errno = error != 0 ? error : EIO;
                return false;
            }
            if (std::rename(m_path.c_str(), m_target.c_str()) != 0) {
                return false;
            }
            m_committed = true;
            return true;
        }

    private:
        std::string m_target;
        std::string m_path;
        std::FILE *m_file = nullptr;
        bool m_committed = false;
    };

    // Opens a regular file for reading without blocking on a FIFO or a device; errno on failure.
    FilePtr OpenRegularFile(const std::string &path, std::string &error)
    {
        const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            error = std::strerror(errno);
            return nullptr;
        }
        struct stat status;
        if (fstat(fd, &status) != 0) {
            error = std::strerror(errno);
            close(fd);
            return nullptr;
        }
        if (!S_ISREG(status.st_mode)) {
            error = S_ISDIR(status.st_mode) ? "is a folder" : "not a regular file";
            close(fd);
            return nullptr;
        }
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        FilePtr file(fdopen(fd, "rb"));
        if (!file) {
            error = std::strerror(errno);
            close(fd);
        }
        return file;
    }

} // namespace

bool CPhotoImage::LoadJpeg(std::string path, int denom)
{
    m_bitmap.reset();
    m_exif = 0;
    m_lastError.clear();
    m_lastWarning.clear();

    FilePtr file = OpenRegularFile(path, m_lastError);
    if (!file) {
        return false;
    }
    unsigned char head[12];
    const bool wholeHead = std::fread(head, 1, sizeof head, file.get()) == sizeof head;
    // Also after a short read: the decoder must see a short file from its start, not its end.
    std::rewind(file.get());
    static const unsigned char kSoiApp1[] = {0xFF, 0xD8, 0xFF, 0xE1};
    if (wholeHead && std::memcmp(head, kSoiApp1, 4) == 0 && std::memcmp(head + 6, "Exif", 4) == 0) {
        m_exif = 1;
    }

    CJpegDecompressor jpeg;
    if (!DecodeInto(jpeg, file.get(), denom)) {
        m_lastError = jpeg.m_errors.message;
        return false;
    }
    if (jpeg.m_errors.num_warnings > 0) {
        m_lastWarning = jpeg.m_errors.firstWarning;
    }
    m_bitmap = std::move(jpeg.m_bitmap);
    m_width = m_bitmap->Width();
    m_height = m_bitmap->Height();
    m_stride = static_cast<int>(m_bitmap->Stride());
    return true;
}

int CPhotoImage::SaveJpeg(const std::string &path, int quality, const CWorkingBitmap *bitmap)
{
    ColorShift shift;
    shift.enabled = settings::Color != 0;
    shift.hue = settings::Hue;
    shift.saturation = settings::Saturation;
    shift.value = settings::Value;
    return SaveJpeg(path, quality, bitmap, shift);
}

int CPhotoImage::SaveJpeg(
    const std::string &path, int quality, const CWorkingBitmap *bitmap, const ColorShift &shift)
{
    m_lastError.clear();
    if (!bitmap || !bitmap->Bits()) {
        m_lastError = "no picture to save";
        return kSaveNoPicture;
    }
    m_width = bitmap->Width();
    m_height = bitmap->Height();
    m_stride = static_cast<int>(bitmap->Stride());

    std::optional<CColorAdjuster> adjuster;
    std::unique_ptr<std::uint8_t[]> rgbRows;
    if (shift.enabled) {
        adjuster.emplace(shift);
        rgbRows.reset(
            new (std::nothrow) std::uint8_t[static_cast<std::size_t>(m_width) * 3 * kRowsPerWrite]);
        if (!rgbRows) {
            m_lastError = "not enough memory";
            return kSaveNoMemory;
        }
    }

    CJpegCompressor jpeg;
    CPendingFile output(path);
    if (!output.File()) {
        const int error = errno;
        std::fprintf(stderr, "can't open %s\n", path.c_str());
        m_lastError = std::string("cannot write: ") + std::strerror(error);
        return kSaveCannotOpen;
    }
    if (!EncodeFrom(jpeg, output.File(), *bitmap, quality, m_exif != 1,
            adjuster ? &*adjuster : nullptr, rgbRows.get())) {
        m_lastError = jpeg.m_errors.message;
        return kSaveWriteFailed;
    }
    if (!output.Commit()) {
        m_lastError = std::string("cannot write: ") + std::strerror(errno);
        return kSaveWriteFailed;
    }
    return kSaved;
}

} // namespace image
