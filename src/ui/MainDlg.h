#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QDialog>
#include <QString>

#include "capture/Capture.h"
#include "image/PhotoImage.h"
#include "platform/IDesktop.h"
#include "shell/OutputFolder.h"

class QMenu;
class QTimer;
class QSettings;

namespace settings {
class CQSettingsProfile;
class CSettingsStore;
} // namespace settings

namespace ui {

// The main dialog: the conversion settings and the job buttons, at the top-right corner of the
// primary screen. Loads the settings when built and saves all of them when it closes.
class CMainDlg : public QDialog
{
    Q_OBJECT

public:
    // `store` holds the user's settings and `desktop` gives the windows and folders; both must
    // outlive the dialog.
    CMainDlg(QSettings &store, platform::IDesktop &desktop, QWidget *parent = nullptr);
    ~CMainDlg() override;

    // Shows the dialog and runs the event loop until it closes. Unlike exec(), hiding the dialog
    // for a capture does not end the run.
    void RunUntilClosed();

    // Copies the controls into the members (save true) or the members into the controls.
    void UpdateData(bool save);
    // Copies the conversion controls into CompressDenom, CompressRate, SameFolder and Color.
    void ReadConversionControls();
    // Shows the output folder, or nothing when results go beside their photos.
    void OnSameFolder();
    // Lets the user pick a folder for `path`; a cancel changes nothing.
    void BrowseForFolder(std::string &path);
    // The dialog's menu (right click, Shift+F10): Close, then the About item.
    QMenu *CreateSystemMenu();
    void OnHelp();
    void OnAbout();
    void OnColorDetails();
    // Puts the dialog's frame at the top-right corner of the primary screen.
    void PlaceTopRight();
    // Shrinks the dropped files and folders, in the order given, with the dialog's settings.
    void OnDropFiles(const std::vector<std::string> &paths);
    // Raises a window showing the folder of `path`, the file a job wrote last, or opens it.
    void ShowOutputFolder(const std::string &path);
    // The capture buttons: hide the dialog, read the controls, and capture once the click has
    // been handled and the screen has repainted.
    void OnScreenShotButton();
    void OnWindowShotButton();
    // Capture the whole screen, or the window last in front, into the output folder.
    void OnDoScreenShot();
    void OnDoWindowShot();
    // Copies `window`'s outer rectangle into the capture slot and saves it at `path`.
    void CaptureWindow(platform::WindowId window, const std::string &path);
    // Timer 1: the tracking step.
    void OnTimer();

    // The window a window shot captures, the last foreground window and its title.
    capture::CForegroundTracker m_tracker;

    // Replaceable in tests: asks the user for a folder, empty on cancel.
    std::function<QString(QWidget *parent, const QString &title, const QString &start)>
        m_chooseFolder;

    image::CPhotoImage m_image;
    QString m_strRatio;
    QString m_strQuality;
    int m_bSameFolder = 0;
    int m_bColor = 0;
    QString m_strPath;

public slots:
    void done(int result) override;

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void OnInitDialog();
    // Waits, handling no input, until the hidden dialog is off the screen.
    void WaitUntilHidden();
    void OnDestroy();

    QSettings &m_store;
    platform::IDesktop &m_desktop;
    shell::COutputFolderPresenter m_folderPresenter;
    std::unique_ptr<settings::CQSettingsProfile> m_profile;
    QTimer *m_timer = nullptr;
    bool m_destroyed = false;
};

// The About box.
class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget *parent = nullptr);
};

} // namespace ui
