#include "winmainwindow.h"

#include <windows.h>

#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand)
{
    // The one argument Explorer's "Open with" passes: the chart to open.
    int argumentCount = 0;
    wchar_t **const arguments = CommandLineToArgvW(GetCommandLineW(), &argumentCount);
    quillet::WinMainWindow window;
    if (!window.isOpen() || !arguments || argumentCount > 2) {
        LocalFree(arguments);
        return 2;
    }
    if (argumentCount == 2)
        window.chooseChart(arguments[1]);
    LocalFree(arguments);
    ShowWindow(window.handle(), showCommand);
    MSG message;
    // The window ends the loop by being destroyed, which happens inside a dispatched message.
    while (window.isOpen() && GetMessageW(&message, nullptr, 0, 0) > 0)
        window.dispatch(message);
    return 0;
}
