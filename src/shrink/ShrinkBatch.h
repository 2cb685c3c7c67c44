#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace image {
class CPhotoImage;
}

namespace shrink {

// Shown when a dropped folder yields no photo.
extern const char kEmptyFolderMessage[];

enum class BatchOutcome
{
    Done,
    EmptyFolder
};

// Lists the entries of `folder` whose name contains "jpg", "JPG", "gif", "GIF", "mpg" or "MPG",
// as folder + "/" + name, in the file system's own order. Leaves `list` untouched when the
// folder cannot be listed.
void ScanPhotoFolder(std::string folder, std::vector<std::string> *list);

// The photos that the dropped items name: one item is a photo when its upper-cased path
// contains "JPG", else a folder to scan; several items are all photos. An empty scan sets
// `outcome` to EmptyFolder.
std::vector<std::string> CollectPhotos(
    const std::vector<std::string> &dropped, BatchOutcome &outcome);

// The shrunk photo's path: the path up to its last '.' followed by "s.jpg", moved into
// `compressPath` when `sameFolder` is 0. Empty when the file name has no '.'.
std::string ShrunkPathFor(
    const std::string &photoPath, int sameFolder, const std::string &compressPath);

struct PlannedPhoto
{
    std::string source;
    std::string output;
    bool replacesSource = false; // the output would overwrite a photo of the same batch
};

// Names every photo's output. A file name without '.' gets "<name>s.jpeg", numbered "-2", "-3"…
// when another such photo already has that name: it cannot collide with a "…s.jpg" name.
std::vector<PlannedPhoto> PlanBatch(
    const std::vector<std::string> &photos, int sameFolder, const std::string &compressPath);

enum class PhotoStatus
{
    Written,
    LoadFailed,
    SaveFailed,
    WouldReplaceSource
};

struct PhotoResult
{
    std::string source;
    std::string output;
    PhotoStatus status = PhotoStatus::LoadFailed;
    std::string reason; // why it failed, for the user
    std::string warning; // damaged data that the decoder worked around
};

struct BatchOptions
{
    // Photos decoded and encoded at once. Outputs are the same bytes for any number.
    int jobs = 1;
    // With one job, the working image to use (the dialog's); otherwise each job has its own.
    image::CPhotoImage *image = nullptr;
    // Called on the calling thread for every photo, in batch order, as soon as it is done.
    std::function<void(std::size_t index, std::size_t count, const PhotoResult &)> onPhotoDone;
};

struct BatchResult
{
    BatchOutcome outcome = BatchOutcome::Done;
    std::vector<PhotoResult> photos;
    std::string lastOutputPath; // the output path formed last: the folder to present
};

// Shrinks the photos that `dropped` names with the settings CompressDenom, CompressRate,
// SameFolder, CompressPath, Color, Hue, Saturation and Value. A photo that fails writes nothing
// and the batch goes on.
BatchResult RunShrinkBatch(
    const std::vector<std::string> &dropped, const BatchOptions &options = {});

} // namespace shrink
