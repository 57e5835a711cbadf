#include "winmainwindow.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand)
{
    quillet::WinMainWindow window;
    if (!window.isOpen())
        return 1;
    ShowWindow(window.handle(), showCommand);
    MSG message;
    // The window ends the loop by being destroyed, which happens inside a dispatched message.
    while (window.isOpen() && GetMessageW(&message, nullptr, 0, 0) > 0)
        window.dispatch(message);
    return 0;
}
