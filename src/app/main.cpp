// Pairlook.exe: start-up, the message loop, and the end of the process.
#include <windows.h>

#include "app/startup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    HWND mainWindow = app::startUp(app::appState());
    app::runMessageLoop(mainWindow);
    // The window is destroyed only once no worker runs; the exit status
    // carries no meaning.
    ExitProcess(0);
}
