#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QSettings>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "QtTestEnvironment.h"
#include "fakes/FakeDesktop.h"
#include "image/PhotoImage.h"
#include "res/DialogTemplates.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"
#include "support/JpegFixtures.h"
#include "support/TempDir.h"
#include "ui/DialogBuilder.h"
#include "ui/MainDlg.h"

using namespace testing_support;
using ui::CMainDlg;
using ui::ControlById;

namespace {

class DropOnDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_store = std::make_unique<QSettings>(
            QString::fromStdString(m_dir.File("trelvo.conf")), QSettings::IniFormat);
        m_store->setValue(QString::fromUtf8(settings::kSection) + "/CompressPath",
            QString::fromStdString(m_dir.File("out")));
        m_dialog = std::make_unique<CMainDlg>(*m_store, m_desktop);
        m_dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
    }

    std::string Photo(const std::string &name, int width = 64)
    {
        const std::string path = m_dir.File(name);
        mkdir(path.substr(0, path.rfind('/')).c_str(), 0700);
        WriteFile(path, EncodeJpeg(MakePhotoLike(width, 48)));
        return path;
    }

    // Drags `urls` over `target` and drops them there, routed as the window system would.
    bool Drop(QWidget *target, const QList<QUrl> &urls)
    {
        QMimeData data;
        data.setUrls(urls);
        const QPointF at = target->mapTo(m_dialog.get(), target->rect().center());
        QWindow *window = m_dialog->windowHandle();
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &enter);
        if (!enter.isAccepted()) {
            return false;
        }
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &drop);
        return true;
    }

    static QUrl Url(const std::string &path)
    {
        return QUrl::fromLocalFile(QString::fromStdString(path));
    }
    QComboBox &Quality() { return *ControlById<QComboBox>(*m_dialog, res::IDC_QUALITY); }

    CTempDir m_dir;
    CFakeDesktop m_desktop;
    std::unique_ptr<QSettings> m_store;
    std::unique_ptr<CMainDlg> m_dialog;
};

TEST_F(DropOnDialog, FilesDroppedOnTheQualityBoxAreShrunkNotTyped)
{
    const std::string a = Photo("a.jpg"), b = Photo("b.jpg");
    ASSERT_TRUE(Drop(Quality().lineEdit(), {Url(a), Url(b)}));
    EXPECT_EQ(Quality().currentText(), "60");
    EXPECT_EQ(ListFolder(m_dir.File("out")), (std::vector<std::string>{"as.jpg", "bs.jpg"}));
    EXPECT_EQ(m_desktop.opened, std::vector<std::string>{m_dir.File("out")});
}

TEST_F(DropOnDialog, FolderIsShrunkWithTheControlsAsTheyAreAndItsWindowRaised)
{
    Photo("in/a.jpg", 80);
    m_desktop.windows = {{7, "out", {}}};
    ControlById<QComboBox>(*m_dialog, res::IDC_RATIO)->setCurrentIndex(2); // 1/4
    ASSERT_TRUE(Drop(m_dialog.get(), {Url(m_dir.File("in"))}));
    image::CPhotoImage image;
    ASSERT_TRUE(image.LoadJpeg(m_dir.File("out/as.jpg"), 1));
    EXPECT_EQ(image.m_bitmap->Width(), 20);
    EXPECT_EQ(m_desktop.raised, std::vector<platform::WindowId>{7});
    EXPECT_TRUE(m_desktop.opened.empty());
}

TEST_F(DropOnDialog, SeveralItemsAreAllPhotosFoldersIncluded)
{
    const std::string a = Photo("a.jpg");
    Photo("in/b.jpg");
    ASSERT_TRUE(Drop(m_dialog.get(), {Url(m_dir.File("in")), Url(a)}));
    EXPECT_EQ(ListFolder(m_dir.File("out")), std::vector<std::string>{"as.jpg"});
}

TEST_F(DropOnDialog, EmptyFolderShowsTheMessageAndPresentsNothing)
{
    ASSERT_EQ(mkdir(m_dir.File("empty").c_str(), 0700), 0);
    MessageCatcher message;
    ASSERT_TRUE(Drop(m_dialog.get(), {Url(m_dir.File("empty"))}));
    EXPECT_EQ(message.text.toStdString(),
        "フォルダにJPGファイルが無いか、写真ファイル以外を指定されました。");
    EXPECT_EQ(message.caption, QCoreApplication::applicationName());
    EXPECT_TRUE(m_desktop.opened.empty());
    EXPECT_TRUE(m_desktop.raised.empty());
}

TEST_F(DropOnDialog, OnlyLocalFilesAreAccepted)
{
    EXPECT_FALSE(Drop(m_dialog.get(), {QUrl("https://example.org/a.jpg")}));
    EXPECT_TRUE(m_desktop.opened.empty());
}

} // namespace
