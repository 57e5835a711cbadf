// Times the Windows log's answers to a screen reader, WM_GETTEXTLENGTH and WM_GETTEXT, on the log
// of a chart of many faulty measures (two lines each), as a reader asks them: again and again.
//   quillet-win32-logbench [MEASURES] [ROOM]     (under Wine: scripts/wine-run)
// ROOM is WM_GETTEXT's buffer in characters. The controls are found by their classes and
// captions, as an assistive tool finds them.

#include "winmainwindow.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <typename Ask> double medianMs(Ask ask)
{
    std::vector<double> times;
    for (int i = 0; i < 21; ++i) {
        const auto start = std::chrono::steady_clock::now();
        ask();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    return median(times);
}

} // namespace

int main(int argc, char *argv[])
{
    const long measures = argc > 1 ? std::atol(argv[1]) : 400000;
    const std::size_t room = argc > 2 ? std::size_t(std::atol(argv[2])) : 1024;

    const std::filesystem::path chart
        = std::filesystem::temp_directory_path() / L"quillet-logbench.sm";
    {
        std::ofstream out(chart, std::ios::binary);
        out << "#TITLE:Faults;\r\n#NOTES:\r\n     dance-single:\r\n";
        for (long i = 0; i < measures; ++i)
            out << ",\r\n";
        out << ";\r\n";
    }

    quillet::WinMainWindow window;
    const HWND hwnd = window.handle();
    const HWND path = FindWindowExW(hwnd, nullptr, L"Edit", nullptr);
    const HWND check = FindWindowExW(hwnd, nullptr, L"Button", L"Check file");
    const HWND log = FindWindowExW(hwnd, nullptr, L"ListBox", nullptr);
    if (!path || !check || !log)
        return 1;
    SendMessageW(path, WM_SETTEXT, 0, LPARAM(chart.c_str()));
    SendMessageW(check, BM_CLICK, 0, 0);
    std::filesystem::remove(chart);

    const LRESULT lines = SendMessageW(log, LB_GETCOUNT, 0, 0);
    LRESULT length = 0;
    const double lengthMs = medianMs([&] { length = SendMessageW(log, WM_GETTEXTLENGTH, 0, 0); });
    std::wstring buffer(room, L'\0');
    const double textMs
        = medianMs([&] { SendMessageW(log, WM_GETTEXT, room, LPARAM(buffer.data())); });
    // The target: each answer within 5 ms, whatever the log's length.
    std::printf("%ld log lines, %ld characters: WM_GETTEXTLENGTH %.3f ms, WM_GETTEXT (%zu "
                "characters) %.3f ms; against 5 ms: %.3f and %.3f\n",
        long(lines), long(length), lengthMs, room, textMs, lengthMs / 5, textMs / 5);
    return 0;
}
