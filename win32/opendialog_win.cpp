#include "opendialog_win.h"

#include "openfilename.h"

namespace quillet {

namespace {

std::wstring currentDirectory()
{
    const DWORD length = GetCurrentDirectoryW(0, nullptr);
    if (length == 0)
        return {};
    std::wstring directory(length, L'\0');
    const DWORD written = GetCurrentDirectoryW(length, directory.data());
    directory.resize(written < length ? written : 0);
    return directory;
}

} // namespace

std::wstring runOpenFileDialog(
    void *owner, std::wstring_view title, std::wstring_view filter, std::wstring_view defaultName)
{
    OpenFileNameBuffers buffers
        = makeOpenFileNameBuffers(title, filter, defaultName, currentDirectory());
    OPENFILENAMEW record = makeOpenFileNameRecord(static_cast<HWND>(owner), buffers);
    if (!GetOpenFileNameW(&record))
        return {};
    // The dialog ends the path it wrote with a NUL.
    return std::wstring(buffers.file.c_str());
}

} // namespace quillet
