// The Windows side of replacefile.h: wide paths, and ReplaceFileW, which puts the new file in
// place and keeps the old one under the backup name in one call, with its attributes and ACLs.
#include "replacefile.h"

#include "utf16_win.h"

#include <cerrno>
#include <io.h>
#include <windows.h>

namespace quillet {

namespace {

bool fill(HANDLE handle, auto &identity)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info))
        return false;
    identity.device = info.dwVolumeSerialNumber;
    identity.file = (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    identity.size = (std::uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    identity.modified = std::int64_t((std::uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32)
        | info.ftLastWriteTime.dwLowDateTime);
    identity.mode = unsigned(info.dwFileAttributes);
    return true;
}

} // namespace

bool ReplacementFile::identify(int descriptor, Identity &identity)
{
    return fill(reinterpret_cast<HANDLE>(_get_osfhandle(descriptor)), identity);
}

bool ReplacementFile::identify(const std::string &path, Identity &identity)
{
    const HANDLE handle = CreateFileW(toUtf16(path).c_str(), 0,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    const bool known = fill(handle, identity);
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    return known;
}

void ReplacementFile::startWriteBack()
{ }

ReplaceFailure ReplacementFile::putInPlace()
{
    if (_commit(m_descriptor) != 0) {
        m_error = errno;
        return ReplaceFailure::NotWritten;
    }
    if (!closeNew())
        return ReplaceFailure::NotWritten;
    const std::wstring old = toUtf16(oldPath());
    if (GetFileAttributesW(old.c_str()) != INVALID_FILE_ATTRIBUTES)
        return ReplaceFailure::OldExists;
    if (!ReplaceFileW(toUtf16(m_path).c_str(), toUtf16(m_newPath).c_str(), old.c_str(),
            REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        m_error = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
        return ReplaceFailure::NotRenamed;
    }
    m_newPath.clear();
    m_error = 0;
    return ReplaceFailure::None;
}

} // namespace quillet
