#include "opendialog_win.h"

#include "openfilename.h"

namespace quillet {

namespace {

std::string currentDirectory()
{
    const DWORD length = GetCurrentDirectoryA(0, nullptr);
    if (length == 0)
        return {};
    std::string directory(length, '\0');
    const DWORD written = GetCurrentDirectoryA(length, directory.data());
    directory.resize(written < length ? written : 0);
    return directory;
}

} // namespace

std::string runOpenFileDialog(
    void *owner, std::string_view title, std::string_view filter, std::string_view defaultName)
{
    OpenFileNameBuffers buffers
        = makeOpenFileNameBuffers(title, filter, defaultName, currentDirectory());
    OPENFILENAMEA record = makeOpenFileNameRecord(static_cast<HWND>(owner), buffers);
    if (!GetOpenFileNameA(&record))
        return {};
    // The dialog ends the path it wrote with a NUL.
    return std::string(buffers.file.c_str());
}

} // namespace quillet
