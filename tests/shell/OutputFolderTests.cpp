#include <gtest/gtest.h>

#include "fakes/FakeDesktop.h"
#include "settings/Settings.h"
#include "shell/OutputFolder.h"

using namespace shell;
using testing_support::CFakeDesktop;

namespace {

struct NameCase
{
    const char *path;
    const char *name;
};

void PrintTo(const NameCase &c, std::ostream *os)
{
    *os << "'" << c.path << "'";
}

class FolderName : public ::testing::TestWithParam<NameCase>
{ };

TEST_P(FolderName, IsTheLastFolderOfThePath)
{
    EXPECT_EQ(FolderNameOf(GetParam().path), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Table, FolderName,
    ::testing::Values(
        NameCase{"/home/u/Marnoth/縮小画像フォルダ/IMG_0001s.jpg", "縮小画像フォルダ"},
        NameCase{"/ソフト/a.jpg", "ソフト"}, NameCase{"/x.jpg", "/"},
        NameCase{"media/x.jpg", "media"}, NameCase{"x.jpg", ""}, NameCase{"", ""}));

class ShowOutputFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        settings::SameFolder = 0;
        settings::CompressPath = "/home/u/Marnoth/縮小画像フォルダ";
        m_desktop.windows = {{11, "Trelvo", {}}, {12, "Photos - File Manager", {}},
            {13, "縮小画像フォルダ", {}}, {14, "Copy of 縮小画像フォルダ", {}}};
    }

    CFakeDesktop m_desktop;
    COutputFolderPresenter m_presenter{m_desktop};
};

TEST_F(ShowOutputFolder, RaisesTheFirstWindowWhoseTitleHoldsTheNameAndOpensNothing)
{
    m_presenter.ShowOutputFolder("/home/u/Marnoth/縮小画像フォルダ/as.jpg");
    EXPECT_EQ(m_desktop.raised, std::vector<platform::WindowId>{13});
    EXPECT_TRUE(m_desktop.opened.empty());
    EXPECT_EQ(m_presenter.m_hFolderWnd, 13u);
    EXPECT_EQ(g_strSearchTitle, "縮小画像フォルダ");
}

TEST_F(ShowOutputFolder, AnyWindowMayMatchEvenTheDialog)
{
    settings::SameFolder = 1;
    m_presenter.ShowOutputFolder("/pics/Trelvo/as.jpg");
    EXPECT_EQ(m_desktop.raised, std::vector<platform::WindowId>{11});
}

TEST_F(ShowOutputFolder, MatchIsCaseSensitive)
{
    settings::SameFolder = 1;
    m_presenter.ShowOutputFolder("/media/PHOTOS/as.jpg");
    EXPECT_TRUE(m_desktop.raised.empty());
    EXPECT_EQ(m_desktop.opened, std::vector<std::string>{"/media/PHOTOS"});
}

TEST_F(ShowOutputFolder, EmptyNameMatchesTheFirstWindow)
{
    EXPECT_EQ(FindWindowByTitle(m_desktop, ""), 11u);
    m_presenter.ShowOutputFolder("as.jpg");
    EXPECT_EQ(m_desktop.raised, std::vector<platform::WindowId>{11});
    EXPECT_TRUE(m_desktop.opened.empty());
}

TEST_F(ShowOutputFolder, WithoutAMatchOpensTheOutputFolderOrThePhotosFolder)
{
    m_desktop.windows.resize(2);
    m_presenter.ShowOutputFolder("/elsewhere/Trip/as.jpg");
    settings::SameFolder = 1;
    m_presenter.ShowOutputFolder("/media/Trip/as.jpg");
    m_presenter.ShowOutputFolder("/as.jpg");
    EXPECT_EQ(m_desktop.opened,
        (std::vector<std::string>{"/home/u/Marnoth/縮小画像フォルダ", "/media/Trip", "/"}));
    EXPECT_TRUE(m_desktop.raised.empty());
}

TEST(SearchWindowProc, ActsOnlyOnItsTag)
{
    CFakeDesktop desktop;
    desktop.windows = {{5, "abc", {}}};
    g_strSearchTitle = "b";
    g_hFoundWnd = platform::kNoWindow;
    EXPECT_TRUE(SearchWindowProc(desktop, 5, 1));
    EXPECT_EQ(g_hFoundWnd, platform::kNoWindow);
    EXPECT_FALSE(SearchWindowProc(desktop, 5, kSearchTag));
    EXPECT_EQ(g_hFoundWnd, 5u);
}

} // namespace
