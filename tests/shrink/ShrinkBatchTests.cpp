#include <algorithm>
#include <map>
#include <numeric>
#include <set>

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "image/PhotoImage.h"
#include "settings/Settings.h"
#include "shrink/ShrinkBatch.h"
#include "support/JpegFixtures.h"
#include "support/TempDir.h"

using namespace shrink;
using namespace testing_support;

namespace {

struct NamingCase
{
    const char *photo;
    int sameFolder;
    const char *output;
};

void PrintTo(const NamingCase &c, std::ostream *os)
{
    *os << c.photo << " same" << c.sameFolder;
}

const NamingCase kNamingCases[] = {
    {"/media/DCIM/IMG_0001.JPG", 1, "/media/DCIM/IMG_0001s.jpg"},
    {"/media/DCIM/IMG_0001.JPG", 0, "/home/u/Marnoth/縮小画像フォルダ/IMG_0001s.jpg"},
    {"/pics/a.b.jpg", 1, "/pics/a.bs.jpg"},
    {"/my.pics/a.jpg", 1, "/my.pics/as.jpg"},
    {"/DCIM/100/IMG_0002.jpeg", 1, "/DCIM/100/IMG_0002s.jpg"},
    {"/写真/ソフト.JPG", 0, "/home/u/Marnoth/縮小画像フォルダ/ソフトs.jpg"},
    {"a.jpg", 0, "/home/u/Marnoth/縮小画像フォルダ/as.jpg"},
    {"a.jpg", 1, "as.jpg"},
    {"/pics/.jpg", 1, "/pics/s.jpg"},
    {"/my.pics/photo", 1, ""},
    {"/pics/README", 0, ""},
};

class ShrunkPath : public ::testing::TestWithParam<NamingCase>
{ };

TEST_P(ShrunkPath, ReplacesTheExtensionWithSJpg)
{
    const NamingCase &c = GetParam();
    EXPECT_EQ(ShrunkPathFor(c.photo, c.sameFolder, "/home/u/Marnoth/縮小画像フォルダ"), c.output);
}

INSTANTIATE_TEST_SUITE_P(Table, ShrunkPath, ::testing::ValuesIn(kNamingCases));

class ShrinkBatch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        settings::LoadDefaultSettings();
        settings::CompressPath = m_dir.File("out");
        ASSERT_EQ(mkdir(settings::CompressPath.c_str(), 0700), 0);
    }

    std::string Photo(const std::string &name, unsigned seed = 1)
    {
        const std::string path = m_dir.File(name);
        WriteFile(path, EncodeJpeg(MakePhotoLike(64, 48, seed)));
        return path;
    }

    std::string Folder(const std::string &name)
    {
        const std::string path = m_dir.File(name);
        EXPECT_EQ(mkdir(path.c_str(), 0700), 0);
        return path;
    }

    CTempDir m_dir;
};

// Names in the order readdir gives them, as the scan must keep it.
std::vector<std::string> ReaddirOrder(const std::string &folder)
{
    std::vector<std::string> names;
    DIR *dir = opendir(folder.c_str());
    while (const dirent *entry = readdir(dir)) {
        names.emplace_back(entry->d_name);
    }
    closedir(dir);
    return names;
}

TEST_F(ShrinkBatch, ScanKeepsMatchingNamesInFileSystemOrder)
{
    const std::string folder = Folder("Trip");
    for (const char *name :
        {"IMG_0001.JPG", "b.Jpg", "c.jpeg", "d.gif", "notes_jpg.txt", ".hidden.jpg", "clip.MPG"}) {
        WriteFile(folder + "/" + name, {1});
    }
    Folder("Trip/jpg");
    std::vector<std::string> list;
    ScanPhotoFolder(folder, &list);

    std::vector<std::string> expected;
    const std::set<std::string> kept = {
        "IMG_0001.JPG", "d.gif", "notes_jpg.txt", ".hidden.jpg", "clip.MPG", "jpg"};
    for (const std::string &name : ReaddirOrder(folder)) {
        if (kept.count(name)) {
            expected.push_back(folder + "/" + name);
        }
    }
    EXPECT_EQ(list, expected);
}

TEST_F(ShrinkBatch, ScanOfSomethingUnlistableLeavesTheListAlone)
{
    std::vector<std::string> list = {"kept"};
    ScanPhotoFolder(m_dir.File("missing"), &list);
    ScanPhotoFolder(Photo("a.jpg"), &list);
    EXPECT_EQ(list, std::vector<std::string>{"kept"});
}

TEST_F(ShrinkBatch, DroppedItemsAreClassifiedByTheJpgTest)
{
    const std::string trip = Folder("Trip");
    const std::string photo = Photo("Trip/IMG_1.JPG");
    const std::string jpeg = Photo("p.jpeg");
    const std::string oldJpg = Folder("old jpg");
    Photo("old jpg/x.jpg");
    BatchOutcome outcome;

    EXPECT_EQ(CollectPhotos({trip}, outcome), std::vector<std::string>{photo});
    EXPECT_EQ(outcome, BatchOutcome::Done);
    // A lone .jpeg holds no "JPG": taken for a folder, which cannot be listed.
    EXPECT_TRUE(CollectPhotos({jpeg}, outcome).empty());
    EXPECT_EQ(outcome, BatchOutcome::EmptyFolder);
    // A folder whose path holds "jpg" is taken for a photo and not scanned.
    EXPECT_EQ(CollectPhotos({oldJpg}, outcome), std::vector<std::string>{oldJpg});
    EXPECT_EQ(outcome, BatchOutcome::Done);
    // Several items are all photos, folders included, and nothing is scanned.
    EXPECT_EQ(CollectPhotos({jpeg, trip}, outcome), (std::vector<std::string>{jpeg, trip}));
    EXPECT_EQ(outcome, BatchOutcome::Done);
    EXPECT_TRUE(CollectPhotos({Folder("Empty")}, outcome).empty());
    EXPECT_EQ(outcome, BatchOutcome::EmptyFolder);
}

TEST_F(ShrinkBatch, FolderIsListedAndWrittenToAsDropped)
{
    const std::string folder = Folder("Mixed Case");
    Photo("Mixed Case/IMG_1.jpg");
    settings::SameFolder = 1;
    const BatchResult batch = RunShrinkBatch({folder});
    ASSERT_EQ(batch.photos.size(), 1u);
    EXPECT_EQ(batch.photos[0].status, PhotoStatus::Written);
    EXPECT_EQ(batch.lastOutputPath, folder + "/IMG_1s.jpg");
    EXPECT_TRUE(Exists(folder + "/IMG_1s.jpg"));
}

TEST_F(ShrinkBatch, EmptyFolderGivesTheMessageOutcomeAndWritesNothing)
{
    const BatchResult batch = RunShrinkBatch({Folder("Nothing")});
    EXPECT_EQ(batch.outcome, BatchOutcome::EmptyFolder);
    EXPECT_TRUE(batch.photos.empty());
    EXPECT_TRUE(batch.lastOutputPath.empty());
    EXPECT_TRUE(ListFolder(settings::CompressPath).empty());
}

TEST_F(ShrinkBatch, BadPhotoWritesNothingAndTheBatchGoesOn)
{
    const std::string folder = Folder("Mix");
    Photo("Mix/a.jpg", 1);
    WriteFile(folder + "/b.jpg", {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g', '.', '.', '.'});
    Photo("Mix/c.jpg", 3);
    const BatchResult batch = RunShrinkBatch({folder});
    ASSERT_EQ(batch.photos.size(), 3u);
    for (const PhotoResult &result : batch.photos) {
        const bool bad = result.source == folder + "/b.jpg";
        EXPECT_EQ(result.status, bad ? PhotoStatus::LoadFailed : PhotoStatus::Written)
            << result.source;
        EXPECT_EQ(Exists(result.output), !bad) << result.output;
    }
    EXPECT_EQ(ListFolder(settings::CompressPath), (std::vector<std::string>{"as.jpg", "cs.jpg"}));
}

TEST_F(ShrinkBatch, EarlierOutputsInTheFolderAreShrunkAgainButNotNewOnes)
{
    const std::string folder = Folder("Again");
    Photo("Again/IMG_0001.jpg");
    settings::SameFolder = 1;
    (void)RunShrinkBatch({folder});
    EXPECT_EQ(ListFolder(folder), (std::vector<std::string>{"IMG_0001.jpg", "IMG_0001s.jpg"}));
    (void)RunShrinkBatch({folder});
    EXPECT_EQ(ListFolder(folder),
        (std::vector<std::string>{"IMG_0001.jpg", "IMG_0001s.jpg", "IMG_0001ss.jpg"}));
}

// photo.jpg's result photos.jpg would overwrite the original photos.jpg of the same drop.
TEST_F(ShrinkBatch, OutputNeverReplacesASourceOfTheBatch)
{
    settings::SameFolder = 1;
    const std::string photo = Photo("photo.jpg", 1);
    const std::string photos = Photo("photos.jpg", 2);
    const std::vector<std::uint8_t> original = ReadFile(photos);
    const BatchResult batch = RunShrinkBatch({photo, photos});
    ASSERT_EQ(batch.photos.size(), 2u);
    EXPECT_EQ(batch.photos[0].status, PhotoStatus::WouldReplaceSource);
    EXPECT_EQ(batch.photos[1].status, PhotoStatus::Written);
    EXPECT_EQ(ReadFile(photos), original);
    EXPECT_TRUE(Exists(m_dir.File("photoss.jpg")));
}

TEST_F(ShrinkBatch, NamesWithoutDotNeverCollide)
{
    const std::string a = Folder("a"), b = Folder("b");
    const std::vector<PlannedPhoto> plan =
        PlanBatch({a + "/README", b + "/README", a + "/README.x", a + "/READMEs"}, 0, "/out");
    std::set<std::string> outputs;
    for (const PlannedPhoto &planned : plan) {
        outputs.insert(planned.output);
    }
    EXPECT_EQ(outputs.size(), plan.size());
    EXPECT_EQ(plan[0].output, "/out/READMEs.jpeg");
    EXPECT_EQ(plan[1].output, "/out/READMEs-2.jpeg");
    EXPECT_EQ(plan[2].output, "/out/READMEs.jpg");
}

// Parallel jobs give the same bytes, and photos sharing an output keep batch order: the later
// one wins, as one at a time.
TEST_F(ShrinkBatch, AnyNumberOfJobsGivesTheSameFiles)
{
    std::vector<std::string> photos;
    for (int i = 0; i < 7; ++i) {
        photos.push_back(Photo("p" + std::to_string(i) + ".jpg", static_cast<unsigned>(i + 1)));
    }
    photos.push_back(Photo("p3.jpeg", 42));
    photos.push_back(m_dir.File("missing.jpg"));

    std::map<std::string, std::vector<std::uint8_t>> single;
    for (const int jobs : {1, 3}) {
        BatchOptions options;
        options.jobs = jobs;
        std::vector<std::size_t> order;
        options.onPhotoDone = [&](std::size_t index, std::size_t count, const PhotoResult &) {
            EXPECT_EQ(count, photos.size());
            order.push_back(index);
        };
        const BatchResult batch = RunShrinkBatch(photos, options);
        std::vector<std::size_t> expectedOrder(photos.size());
        std::iota(expectedOrder.begin(), expectedOrder.end(), 0);
        EXPECT_EQ(order, expectedOrder);
        EXPECT_EQ(batch.lastOutputPath, settings::CompressPath + "/missings.jpg");
        EXPECT_EQ(batch.photos.back().status, PhotoStatus::LoadFailed);
        std::map<std::string, std::vector<std::uint8_t>> files;
        for (const std::string &name : ListFolder(settings::CompressPath)) {
            files[name] = ReadFile(settings::CompressPath + "/" + name);
        }
        if (jobs == 1) {
            single = files;
        } else {
            EXPECT_EQ(files, single);
        }
        for (const std::string &name : ListFolder(settings::CompressPath)) {
            std::remove((settings::CompressPath + "/" + name).c_str());
        }
    }
    image::CPhotoImage image;
    ASSERT_TRUE(image.LoadJpeg(m_dir.File("p3.jpeg"), settings::CompressDenom));
    ASSERT_EQ(image.SaveJpeg(m_dir.File("alone.jpg"), settings::CompressRate, image.m_bitmap.get()),
        image::kSaved);
    EXPECT_EQ(single["p3s.jpg"], ReadFile(m_dir.File("alone.jpg")));
}

} // namespace
