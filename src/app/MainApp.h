#pragma once

namespace app {

// The application: runs the main dialog modally and ends when it closes.
class CMainApp
{
public:
    // Asks Qt for X11 (xcb) unless the user chose a platform: window search and captures need X11.
    static void ChoosePlatform(int argc, char **argv);
    // Runs the main dialog on the user's settings; returns the process's exit status.
    int InitInstance();
};

} // namespace app
