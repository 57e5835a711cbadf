#pragma once

// The record that GetOpenFileNameW takes, and the buffers it points into. No Qt here: the
// Windows branch is cross-compiled and checked without a Windows Qt.

#include <windows.h>

#include <commdlg.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace quillet {

inline constexpr std::size_t fileBufferPadding = 1024;
inline constexpr std::size_t fileTitleLength = 515;
inline constexpr DWORD openDialogFlags = OFN_LONGNAMES | OFN_NODEREFERENCELINKS | OFN_CREATEPROMPT;

// Owns the texts the record points at; it must outlive the dialog call and must not change after
// the record is made.
struct OpenFileNameBuffers
{
    std::wstring filter;
    std::wstring file;
    std::wstring fileTitle;
    std::wstring initialDir;
    std::wstring title;
    std::wstring defaultExtension;
};

/// Lays out the dialog's texts: the filter ends with the two NULs Windows reads to its end, and
/// the file buffer is defaultName, 1024 spaces and two NULs, the room the chosen path goes into.
constexpr OpenFileNameBuffers makeOpenFileNameBuffers(std::wstring_view title,
    std::wstring_view filter, std::wstring_view defaultName, std::wstring_view currentDir)
{
    OpenFileNameBuffers buffers;
    buffers.filter.assign(filter);
    // The caller's pairs end with one NUL at most; a list that is not ended by two lets the
    // dialog read past its end.
    while (buffers.filter.size() < 2 || !buffers.filter.ends_with(std::wstring_view(L"\0\0", 2)))
        buffers.filter.push_back(L'\0');
    buffers.file.assign(defaultName);
    buffers.file.append(fileBufferPadding, L' ');
    buffers.file.append(2, L'\0');
    buffers.fileTitle.assign(fileTitleLength, L'\0');
    buffers.initialDir.assign(currentDir);
    buffers.initialDir.push_back(L'\0');
    buffers.title.assign(title);
    buffers.defaultExtension.assign(2, L'\0');
    return buffers;
}

/// The record for buffers. lStructSize is the size of this build's record: the 32-bit size of 76
/// makes a 64-bit GetOpenFileNameW fail without showing anything.
constexpr OPENFILENAMEW makeOpenFileNameRecord(HWND owner, OpenFileNameBuffers &buffers)
{
    OPENFILENAMEW record {};
    record.lStructSize = sizeof(OPENFILENAMEW);
    record.hwndOwner = owner;
    record.hInstance = nullptr;
    record.lpstrFilter = buffers.filter.c_str();
    record.lpstrCustomFilter = nullptr;
    record.nMaxCustFilter = 0;
    record.nFilterIndex = 1;
    record.lpstrFile = buffers.file.data();
    record.nMaxFile = DWORD(buffers.file.size());
    record.lpstrFileTitle = buffers.fileTitle.data();
    record.nMaxFileTitle = DWORD(buffers.fileTitle.size());
    record.lpstrInitialDir = buffers.initialDir.c_str();
    record.lpstrTitle = buffers.title.c_str();
    record.Flags = openDialogFlags;
    record.nFileOffset = 0;
    record.nFileExtension = 0;
    record.lpstrDefExt = buffers.defaultExtension.c_str();
    record.lCustData = 0;
    record.lpfnHook = nullptr;
    record.lpTemplateName = nullptr;
    return record;
}

} // namespace quillet
