#include "MainApp.h"

#include <cstring>

#include <QApplication>
#include <QIcon>
#include <QSettings>

#include "platform/x11/X11Desktop.h"
#include "settings/SettingsStore.h"
#include "ui/MainDlg.h"

namespace app {

void CMainApp::ChoosePlatform(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        return;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0
            || std::strncmp(argv[i], "-platform=", 10) == 0) {
            return;
        }
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
}

int CMainApp::InitInstance()
{
    QIcon icon;
    for (const int size : {16, 32, 48}) {
        icon.addFile(QStringLiteral(":/trelvo/trelvo-%1.png").arg(size));
    }
    QApplication::setWindowIcon(icon);
    QGuiApplication::setDesktopFileName(QStringLiteral("trelvo"));

    // The executable's base name names the settings file, as it names the application.
    const auto store = settings::OpenUserSettings(QCoreApplication::applicationName());
    platform::CX11Desktop desktop;
    ui::CMainDlg dialog(*store, desktop);
    dialog.RunUntilClosed();
    return 0;
}

} // namespace app
