#include "winsystem.h"

#include "resource.h"

#include "utf16_win.h"

#include <algorithm>

namespace quillet {

namespace {

// Calls that Windows 10 added are looked up, so the program still starts on older systems.
template <typename Function> Function user32Function(const char *name)
{
    const FARPROC address = GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

} // namespace

int windowDpi(HWND hwnd)
{
    if (const auto dpiForWindow = user32Function<UINT(WINAPI *)(HWND)>("GetDpiForWindow"))
        return int(dpiForWindow(hwnd));
    HDC dc = GetDC(hwnd);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(hwnd, dc);
    return dpi;
}

int systemDpi()
{
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return dpi;
}

FontHandle messageFont(int dpi)
{
    NONCLIENTMETRICSW metrics {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(LOGFONTW), &metrics.lfMessageFont);
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, systemDpi());
    return FontHandle(CreateFontIndirectW(&metrics.lfMessageFont));
}

IconHandle loadIcon(int size)
{
    return IconHandle(static_cast<HICON>(LoadImageW(
        GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_QUILLET), IMAGE_ICON, size, size, 0)));
}

std::string applicationFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    path.resize(std::min(path.size(), path.find_last_of(L"\\/")));
    return toUtf8(path);
}

std::wstring windowText(HWND hwnd)
{
    std::wstring text(std::size_t(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(std::size_t(GetWindowTextW(hwnd, text.data(), int(text.size()))));
    return text;
}

} // namespace quillet
