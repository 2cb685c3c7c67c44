#include <QApplication>

#include "app/MainApp.h"

int main(int argc, char **argv)
{
    app::CMainApp::ChoosePlatform(argc, argv);
    QApplication application(argc, argv);
    app::CMainApp mainApp;
    return mainApp.InitInstance();
}
