#include "windowsconsole.h"

#include "utf16_win.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <memory>
#include <windows.h>

#include <shellapi.h>

namespace quillet {

namespace {

bool isConsole(DWORD stream)
{
    DWORD mode;
    return GetConsoleMode(GetStdHandle(stream), &mode) != 0;
}

} // namespace

WindowsConsole::WindowsConsole(int &argc, char **&argv)
{
    int count = 0;
    const std::unique_ptr<wchar_t *, decltype(&LocalFree)> wide(
        CommandLineToArgvW(GetCommandLineW(), &count), &LocalFree);
    if (wide) {
        for (int i = 0; i < count; ++i)
            m_arguments.push_back(toUtf8(wide.get()[i]));
        for (std::string &argument : m_arguments)
            m_argv.push_back(argument.data());
        m_argv.push_back(nullptr);
        argc = count;
        argv = m_argv.data();
    }

    // Text mode would end a chart read from standard input at its first 0x1A byte.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);

    // Chart names are UTF-8; a console shows them right only in that code page.
    if (isConsole(STD_OUTPUT_HANDLE) || isConsole(STD_ERROR_HANDLE)) {
        m_outputCodePage = GetConsoleOutputCP();
        SetConsoleOutputCP(CP_UTF8);
    }
}

WindowsConsole::~WindowsConsole()
{
    if (m_outputCodePage != 0) {
        std::fflush(stdout);
        std::fflush(stderr);
        SetConsoleOutputCP(m_outputCodePage);
    }
}

} // namespace quillet
