// quillet.exe's start, ended once its window has shown: the Windows half of bench/startup_run.
//   quillet-win32-startup [--no-window]   (--no-window: ends before the window, for Wine's own
//   cost)
#include "winmainwindow.h"

#include <windows.h>

#include <cwchar>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int)
{
    if (std::wcsstr(commandLine, L"--no-window"))
        return 0;
    quillet::WinMainWindow window;
    if (!window.isOpen())
        return 1;
    ShowWindow(window.handle(), SW_SHOWNORMAL);
    UpdateWindow(window.handle());
    // The controls paint from their own WM_PAINT messages: once none is left, the window shows.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        window.dispatch(message);
    GdiFlush();
    return 0;
}
