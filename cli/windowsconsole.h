#pragma once

#include <string>
#include <vector>

namespace quillet {

// The Windows side of a console program's start: its arguments in UTF-8 from the wide command
// line, whatever the system's code page; standard input, output and error in binary mode, so a
// chart's bytes and the log's line ends pass as they are; and a console, if output goes to one,
// that shows UTF-8 (its code page is restored when this object goes).
class WindowsConsole
{
public:
    /// Replaces argc and argv with the UTF-8 arguments, which live as long as this object.
    WindowsConsole(int &argc, char **&argv);
    WindowsConsole(const WindowsConsole &) = delete;
    WindowsConsole &operator=(const WindowsConsole &) = delete;
    ~WindowsConsole();

private:
    std::vector<std::string> m_arguments;
    std::vector<char *> m_argv;
    unsigned m_outputCodePage = 0;
};

} // namespace quillet
