#include "ShrinkBatch.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <tuple>
#include <utility>

#include <dirent.h>
#include <sys/stat.h>

#include "image/PhotoImage.h"
#include "settings/Settings.h"

namespace shrink {

const char kEmptyFolderMessage[] =
    "フォルダにJPGファイルが無いか、写真ファイル以外を指定されました。";

namespace {

    // ASCII only: the test looks for "JPG", and bytes of multi-byte UTF-8 characters are left as
    // they are, so a match can never start inside a character.
    std::string UpperCased(std::string text)
    {
        for (char &c : text) {
            if (c >= 'a' && c <= 'z') {
                c = static_cast<char>(c - 'a' + 'A');
            }
        }
        return text;
    }

    bool NamesPhotoEntry(const char *name)
    {
        static const char *const kTexts[] = {"jpg", "JPG", "gif", "GIF", "mpg", "MPG"};
        return std::any_of(std::begin(kTexts), std::end(kTexts),
            [name](const char *text) { return std::strstr(name, text) != nullptr; });
    }

    std::string MoveIntoFolder(const std::string &path, const std::string &folder)
    {
        const std::size_t slash = path.rfind('/');
        // A bare name stands for a file of the current folder.
        return folder + (slash == std::string::npos ? "/" + path : path.substr(slash));
    }

    struct FileIdentity
    {
        dev_t device;
        ino_t inode;
        bool operator<(const FileIdentity &other) const
        {
            return std::tie(device, inode) < std::tie(other.device, other.inode);
        }
    };

} // namespace

void ScanPhotoFolder(std::string folder, std::vector<std::string> *list)
{
    DIR *dir = opendir(folder.c_str());
    if (!dir) {
        return;
    }
    list->clear();
    while (const dirent *entry = readdir(dir)) {
        const char *name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) {
            continue;
        }
        if (NamesPhotoEntry(name)) {
            list->push_back(folder + "/" + name);
        }
    }
    closedir(dir);
}

std::vector<std::string> CollectPhotos(
    const std::vector<std::string> &dropped, BatchOutcome &outcome)
{
    outcome = BatchOutcome::Done;
    if (dropped.size() != 1 || UpperCased(dropped.front()).find("JPG") != std::string::npos) {
        return dropped;
    }
    std::vector<std::string> list;
    ScanPhotoFolder(dropped.front(), &list);
    if (list.empty()) {
        outcome = BatchOutcome::EmptyFolder;
    }
    return list;
}

std::string ShrunkPathFor(
    const std::string &photoPath, int sameFolder, const std::string &compressPath)
{
    const std::size_t dot = photoPath.rfind('.');
    const std::size_t slash = photoPath.rfind('/');
    // A '.' in a folder's name only would shorten the folder and write beside it.
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    const std::string output = photoPath.substr(0, dot) + "s.jpg";
    return sameFolder == 0 ? MoveIntoFolder(output, compressPath) : output;
}

std::vector<PlannedPhoto> PlanBatch(
    const std::vector<std::string> &photos, int sameFolder, const std::string &compressPath)
{
    std::set<FileIdentity> sources;
    for (const std::string &photo : photos) {
        struct stat status;
        if (stat(photo.c_str(), &status) == 0) {
            sources.insert({status.st_dev, status.st_ino});
        }
    }

    std::vector<PlannedPhoto> plan;
    std::set<std::string> undottedOutputs;
    for (const std::string &photo : photos) {
        PlannedPhoto planned;
        planned.source = photo;
        planned.output = ShrunkPathFor(photo, sameFolder, compressPath);
        if (planned.output.empty()) {
            const std::string stem = sameFolder == 0 ? MoveIntoFolder(photo, compressPath) : photo;
            planned.output = stem + "s.jpeg";
            for (int n = 2; !undottedOutputs.insert(planned.output).second; ++n) {
                planned.output = stem + "s-" + std::to_string(n) + ".jpeg";
            }
        }
        struct stat status;
        planned.replacesSource = stat(planned.output.c_str(), &status) == 0
            && sources.count({status.st_dev, status.st_ino}) > 0;
        plan.push_back(std::move(planned));
    }
    return plan;
}

namespace {

    PhotoResult ShrinkOne(
        const PlannedPhoto &planned, int denom, int quality, image::CPhotoImage &image)
    {
        PhotoResult result;
        result.source = planned.source;
        result.output = planned.output;
        if (planned.replacesSource) {
            result.status = PhotoStatus::WouldReplaceSource;
            result.reason = "not written: " + planned.output + " is a photo of this batch";
            return result;
        }
        if (!image.LoadJpeg(planned.source, denom)) {
            result.status = PhotoStatus::LoadFailed;
            result.reason = image.LastError();
            return result;
        }
        result.warning = image.LastWarning();
        if (image.SaveJpeg(planned.output, quality, image.m_bitmap.get()) != image::kSaved) {
            result.status = PhotoStatus::SaveFailed;
            result.reason = image.LastError();
            return result;
        }
        result.status = PhotoStatus::Written;
        return result;
    }

    // Runs the plan on `jobs` threads. Photos that share an output path go to one thread in batch
    // order, so the last of them wins as it would one at a time.
    void RunParallel(const std::vector<PlannedPhoto> &plan, int jobs, int denom, int quality,
        const std::function<void(std::size_t)> &onDone, std::vector<PhotoResult> &results)
    {
        std::vector<std::vector<std::size_t>> groups;
        std::map<std::string, std::size_t> groupOfOutput;
        for (std::size_t i = 0; i < plan.size(); ++i) {
            const auto [it, added] = groupOfOutput.emplace(plan[i].output, groups.size());
            if (added) {
                groups.emplace_back();
            }
            groups[it->second].push_back(i);
        }

        std::mutex mutex;
        std::condition_variable doneChanged;
        std::vector<char> done(plan.size(), 0);
        std::atomic<std::size_t> nextGroup{0};
        auto work = [&] {
            image::CPhotoImage image;
            for (std::size_t g; (g = nextGroup.fetch_add(1)) < groups.size();) {
                for (std::size_t i : groups[g]) {
                    PhotoResult result = ShrinkOne(plan[i], denom, quality, image);
                    image.m_bitmap.reset(); // one picture in memory per job
                    std::lock_guard<std::mutex> lock(mutex);
                    results[i] = std::move(result);
                    done[i] = 1;
                    doneChanged.notify_one();
                }
            }
        };
        std::vector<std::thread> threads;
        const auto threadCount =
            std::min<std::size_t>(static_cast<std::size_t>(jobs), groups.size());
        for (std::size_t t = 0; t < threadCount; ++t) {
            threads.emplace_back(work);
        }
        for (std::size_t i = 0; i < plan.size(); ++i) {
            std::unique_lock<std::mutex> lock(mutex);
            doneChanged.wait(lock, [&] { return done[i] != 0; });
            lock.unlock();
            onDone(i);
        }
        for (std::thread &thread : threads) {
            thread.join();
        }
    }

} // namespace

BatchResult RunShrinkBatch(const std::vector<std::string> &dropped, const BatchOptions &options)
{
    BatchResult batch;
    const std::vector<std::string> photos = CollectPhotos(dropped, batch.outcome);
    if (batch.outcome == BatchOutcome::EmptyFolder) {
        return batch;
    }
    const std::vector<PlannedPhoto> plan =
        PlanBatch(photos, settings::SameFolder, settings::CompressPath);
    if (!plan.empty()) {
        batch.lastOutputPath = plan.back().output;
    }
    const int denom = settings::CompressDenom;
    const int quality = settings::CompressRate;
    batch.photos.resize(plan.size());
    auto onDone = [&](std::size_t i) {
        if (options.onPhotoDone) {
            options.onPhotoDone(i, plan.size(), batch.photos[i]);
        }
    };

    if (options.jobs <= 1 || plan.size() <= 1) {
        image::CPhotoImage ownImage;
        image::CPhotoImage &image = options.image ? *options.image : ownImage;
        for (std::size_t i = 0; i < plan.size(); ++i) {
            batch.photos[i] = ShrinkOne(plan[i], denom, quality, image);
            onDone(i);
        }
    } else {
        RunParallel(plan, options.jobs, denom, quality, onDone, batch.photos);
    }
    return batch;
}

} // namespace shrink
