#include "MainDlg.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <ctime>

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSignalBlocker>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include "res/DialogTemplates.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"
#include "shrink/ShrinkBatch.h"
#include "ui/ColorAdjustDlg.h"
#include "ui/DialogBuilder.h"

namespace ui {

namespace {

    // The leading decimal integer of a text as atoi reads it, 0 when there is none; held to the
    // range of int instead of overflowing.
    int LeadingInteger(const QString &text)
    {
        const QByteArray bytes = text.toUtf8();
        const long long value = std::strtoll(bytes.constData(), nullptr, 10);
        return static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, value)));
    }

    // Selects the first item that begins with `text`, ignoring case, as a Windows combo box does.
    // For a list without typing, a text that begins no item changes nothing; with an edit field
    // the text is shown as typed.
    void SelectString(QComboBox &combo, const QString &text)
    {
        // An empty text begins every item, yet selects none.
        for (int i = 0; i < combo.count() && !text.isEmpty(); ++i) {
            if (combo.itemText(i).startsWith(text, Qt::CaseInsensitive)) {
                combo.setCurrentIndex(i);
                return;
            }
        }
        if (combo.isEditable()) {
            combo.setEditText(text);
        }
    }

    void SetCheck(QCheckBox &box, int value)
    {
        box.setChecked(value == 1 || value == 2);
    }

} // namespace

CMainDlg::CMainDlg(QSettings &store, platform::IDesktop &desktop, QWidget *parent)
    : QDialog(parent)
    , m_store(store)
    , m_desktop(desktop)
    , m_folderPresenter(desktop)
    , m_profile(std::make_unique<settings::CQSettingsProfile>(store))
{
    m_chooseFolder = [](QWidget *owner, const QString &title, const QString &start) {
        return QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
    };
    BuildDialog(*this, res::MainDialogTemplate());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowIcon(QGuiApplication::windowIcon());

    // Files dropped anywhere on the dialog, its controls included, are photos to shrink: the
    // quality box's edit field must not take them as text.
    setAcceptDrops(true);
    ControlById<QComboBox>(*this, res::IDC_QUALITY)->lineEdit()->setAcceptDrops(false);

    auto *hint = ControlById<QLabel>(*this, res::IDC_HINT);
    QPalette palette = hint->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    hint->setPalette(palette);

    // Enter must not close the dialog (it clicks only a button that has the focus); Cancel, Esc
    // and the close box do.
    for (QPushButton *button : findChildren<QPushButton *>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(ControlById<QPushButton>(*this, res::IDOK), &QPushButton::clicked, this, [] {});
    connect(ControlById<QPushButton>(*this, res::IDCANCEL), &QPushButton::clicked, this,
        &QDialog::reject);
    connect(ControlById<QCheckBox>(*this, res::IDC_SAME_FOLDER), &QCheckBox::clicked, this,
        &CMainDlg::OnSameFolder);
    connect(ControlById<QPushButton>(*this, res::IDC_BROWSE), &QPushButton::clicked, this,
        [this] { BrowseForFolder(settings::CompressPath); });
    connect(ControlById<QPushButton>(*this, res::IDC_COLOR_DETAILS), &QPushButton::clicked, this,
        &CMainDlg::OnColorDetails);
    connect(ControlById<QPushButton>(*this, res::IDC_SCREENSHOT), &QPushButton::clicked, this,
        &CMainDlg::OnScreenShotButton);
    connect(ControlById<QPushButton>(*this, res::IDC_WINDOWSHOT), &QPushButton::clicked, this,
        &CMainDlg::OnWindowShotButton);

    OnInitDialog();
}

CMainDlg::~CMainDlg() = default;

void CMainDlg::OnInitDialog()
{
    settings::CSettingsStore(*m_profile).LoadSettings();
    m_bColor = settings::Color;
    m_bSameFolder = settings::SameFolder;
    UpdateData(false);
    m_strRatio = QStringLiteral("1/%1").arg(settings::CompressDenom);
    m_strQuality = QString::number(settings::CompressRate);
    UpdateData(false);
    QDir().mkpath(QString::fromStdString(settings::CompressPath));
    OnSameFolder();

    m_tracker = capture::CForegroundTracker();
    m_timer = new QTimer(this);
    m_timer->setInterval(capture::kTrackPeriodMs);
    connect(m_timer, &QTimer::timeout, this, &CMainDlg::OnTimer);
    m_timer->start();
}

void CMainDlg::RunUntilClosed()
{
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    const bool quitOnClose = QGuiApplication::quitOnLastWindowClosed();
    QGuiApplication::setQuitOnLastWindowClosed(false);
    show();
    loop.exec();
    QGuiApplication::setQuitOnLastWindowClosed(quitOnClose);
}

void CMainDlg::UpdateData(bool save)
{
    auto &ratio = *ControlById<QComboBox>(*this, res::IDC_RATIO);
    auto &quality = *ControlById<QComboBox>(*this, res::IDC_QUALITY);
    auto &sameFolder = *ControlById<QCheckBox>(*this, res::IDC_SAME_FOLDER);
    auto &color = *ControlById<QCheckBox>(*this, res::IDC_COLOR);
    auto &path = *ControlById<QLabel>(*this, res::IDC_PATH);
    const QSignalBlocker blockers[] = {QSignalBlocker(ratio), QSignalBlocker(quality),
        QSignalBlocker(sameFolder), QSignalBlocker(color), QSignalBlocker(path)};
    if (save) {
        m_strRatio = ratio.currentIndex() >= 0 ? ratio.currentText() : QString();
        m_strQuality = quality.currentText();
        m_bSameFolder = sameFolder.isChecked() ? 1 : 0;
        m_bColor = color.isChecked() ? 1 : 0;
        m_strPath = path.text();
    } else {
        SelectString(ratio, m_strRatio);
        SelectString(quality, m_strQuality);
        SetCheck(sameFolder, m_bSameFolder);
        SetCheck(color, m_bColor);
        if (path.text() != m_strPath) {
            path.setText(m_strPath);
        }
    }
}

void CMainDlg::ReadConversionControls()
{
    UpdateData(true);
    settings::CompressDenom = m_strRatio.isEmpty() ? 0 : LeadingInteger(m_strRatio.right(1));
    settings::CompressRate = LeadingInteger(m_strQuality);
    settings::SameFolder = m_bSameFolder;
    settings::Color = m_bColor;
    m_strRatio = QStringLiteral("1/%1").arg(settings::CompressDenom);
    m_strQuality = QString::number(settings::CompressRate);
}

void CMainDlg::OnSameFolder()
{
    UpdateData(true);
    m_strPath = QString::fromStdString(settings::CompressPath);
    const bool beside = m_bSameFolder == 1;
    if (beside) {
        m_strPath.clear();
    }
    ControlById<QPushButton>(*this, res::IDC_BROWSE)->setEnabled(!beside);
    UpdateData(false);
}

void CMainDlg::BrowseForFolder(std::string &path)
{
    const QString chosen =
        m_chooseFolder(this, QStringLiteral("保存パス選択"), QString::fromStdString(path));
    if (chosen.isEmpty()) {
        return;
    }
    path = QDir::cleanPath(chosen).toStdString();
    // The label shows the folder just chosen rather than whatever it showed before.
    m_strPath = QString::fromStdString(path);
    UpdateData(false);
}

QMenu *CMainDlg::CreateSystemMenu()
{
    auto *menu = new QMenu(this);
    menu->addAction(QStringLiteral("閉じる(&C)"), this, &QDialog::reject);
    const QString about = QString::fromUtf8(res::kAboutMenuText);
    if (!about.isEmpty()) {
        menu->addSeparator();
        menu->addAction(about, this, &CMainDlg::OnAbout);
    }
    return menu;
}

void CMainDlg::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = CreateSystemMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void CMainDlg::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F10 && (event->modifiers() & Qt::ShiftModifier)) {
        QContextMenuEvent menuEvent(
            QContextMenuEvent::Keyboard, QPoint(0, 0), mapToGlobal(QPoint(0, 0)));
        contextMenuEvent(&menuEvent);
        return;
    }
    if (event->key() == Qt::Key_F1) {
        OnHelp();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto *button = qobject_cast<QPushButton *>(focusWidget());
            button && event->modifiers() == Qt::NoModifier) {
            button->click();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

void CMainDlg::OnHelp()
{
    ShowMessage(this, QString::fromUtf8(res::kHelpText), QString::fromUtf8(res::kHelpCaption));
}

void CMainDlg::OnAbout()
{
    CAboutDlg about(this);
    about.exec();
}

void CMainDlg::OnColorDetails()
{
    CColorAdjustDlg dialog(this);
    dialog.exec();
}

void CMainDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    PlaceTopRight();
    // The window manager tells the frame's size only once the window is mapped.
    QTimer::singleShot(100, this, &CMainDlg::PlaceTopRight);
}

void CMainDlg::PlaceTopRight()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    const QRect area = screen->geometry();
    const QRect frame = frameGeometry();
    move(area.right() + 1 - frame.width(), area.top());
    raise();
}

namespace {

    std::vector<std::string> LocalFiles(const QMimeData *data)
    {
        std::vector<std::string> paths;
        if (data && data->hasUrls()) {
            for (const QUrl &url : data->urls()) {
                if (url.isLocalFile()) {
                    paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
                }
            }
        }
        return paths;
    }

} // namespace

void CMainDlg::dragEnterEvent(QDragEnterEvent *event)
{
    if (!LocalFiles(event->mimeData()).empty()) {
        event->acceptProposedAction();
    }
}

void CMainDlg::dragMoveEvent(QDragMoveEvent *event)
{
    if (!LocalFiles(event->mimeData()).empty()) {
        event->acceptProposedAction();
    }
}

void CMainDlg::dropEvent(QDropEvent *event)
{
    const std::vector<std::string> paths = LocalFiles(event->mimeData());
    if (paths.empty()) {
        return;
    }
    event->acceptProposedAction();
    OnDropFiles(paths);
}

void CMainDlg::OnDropFiles(const std::vector<std::string> &paths)
{
    UpdateData(true);
    ReadConversionControls();
    shrink::BatchOptions options;
    options.image = &m_image;
    const shrink::BatchResult batch = shrink::RunShrinkBatch(paths, options);
    if (batch.outcome == shrink::BatchOutcome::EmptyFolder) {
        ShowMessage(this, QString::fromUtf8(shrink::kEmptyFolderMessage));
        return;
    }
    ShowOutputFolder(batch.lastOutputPath);
}

void CMainDlg::ShowOutputFolder(const std::string &path)
{
    m_folderPresenter.ShowOutputFolder(path);
}

void CMainDlg::OnScreenShotButton()
{
    hide();
    UpdateData(true);
    ReadConversionControls();
    QMetaObject::invokeMethod(this, &CMainDlg::OnDoScreenShot, Qt::QueuedConnection);
}

void CMainDlg::OnWindowShotButton()
{
    hide();
    UpdateData(true);
    ReadConversionControls();
    QMetaObject::invokeMethod(this, &CMainDlg::OnDoWindowShot, Qt::QueuedConnection);
}

namespace {

    constexpr int kHideTimeoutMs = 500;
    constexpr int kRepaintMs = 60;

    std::string NewCapturePath(const char *pattern)
    {
        const std::string name = capture::CaptureName(pattern, std::time(nullptr));
        return capture::UnusedCapturePath(capture::CapturePath(settings::CompressPath, name));
    }

} // namespace

void CMainDlg::WaitUntilHidden()
{
    // The window manager takes the frame off the screen on its own time, and the windows below
    // repaint on theirs: without this wait the dialog shows in its own screen shot.
    const auto self = static_cast<platform::WindowId>(winId());
    QElapsedTimer clock;
    clock.start();
    auto shown = [&] {
        const auto windows = m_desktop.TopLevelWindows();
        return std::find(windows.begin(), windows.end(), self) != windows.end();
    };
    while (clock.elapsed() < kHideTimeoutMs && shown()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
        QThread::msleep(10);
    }
    const qint64 hidden = clock.elapsed();
    while (clock.elapsed() < hidden + kRepaintMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
        QThread::msleep(10);
    }
}

void CMainDlg::OnDoScreenShot()
{
    const std::string path = NewCapturePath(capture::kScreenShotPattern);
    WaitUntilHidden();
    (void)capture::CaptureRectToFile(
        m_desktop, m_image, m_desktop.ScreenRect(), path, settings::CompressRate);
    showNormal();
    ShowOutputFolder(path);
}

void CMainDlg::OnDoWindowShot()
{
    const std::string path = NewCapturePath(capture::kWindowShotPattern);
    if (m_tracker.m_pCaptureWnd != platform::kNoWindow) {
        WaitUntilHidden();
        if (m_desktop.FindWindow(m_tracker.m_strCaptureTitle) == platform::kNoWindow) {
            showNormal();
            ShowMessage(this, QString::fromUtf8(capture::kLostWindowMessage));
        } else {
            m_desktop.RaiseWindow(m_tracker.m_pCaptureWnd);
            QThread::msleep(capture::kWindowShotPauseMs); // let it come to the front and repaint
            CaptureWindow(m_tracker.m_pCaptureWnd, path);
            ShowOutputFolder(path);
        }
    }
    showNormal();
}

void CMainDlg::CaptureWindow(platform::WindowId window, const std::string &path)
{
    platform::Rect rect;
    if (m_desktop.WindowRect(window, rect)) {
        (void)capture::CaptureRectToFile(m_desktop, m_image, rect, path, settings::CompressRate);
    }
}

void CMainDlg::OnTimer()
{
    m_tracker.Step(m_desktop, static_cast<platform::WindowId>(winId()));
}

void CMainDlg::done(int result)
{
    if (!m_destroyed) {
        m_destroyed = true;
        OnDestroy();
    }
    QDialog::done(result);
}

void CMainDlg::OnDestroy()
{
    m_timer->stop();
    UpdateData(true);
    ReadConversionControls();
    settings::CSettingsStore(*m_profile).SaveSettings();
    m_store.sync();
}

CAboutDlg::CAboutDlg(QWidget *parent)
    : QDialog(parent)
{
    BuildDialog(*this, res::AboutDialogTemplate());
    connect(
        ControlById<QPushButton>(*this, res::IDOK), &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace ui
