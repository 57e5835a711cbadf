// The Windows side of fileio.h: files opened by their UTF-16 names and handed to the C runtime as
// descriptors, so the rest of the core is the same on every platform.
#include "fileio.h"

#include "utf16_win.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <iterator>
#include <string_view>
#include <utility>
#include <windows.h>

namespace quillet::fileio {

namespace {

// Windows counts bytes in an unsigned int per call.
constexpr std::size_t maxChunk = std::size_t(1) << 30;

// The C runtime's error numbers for the system's errors, so that errorText works for both; any
// other error (access denied, a sharing or lock violation) is EACCES.
int errnoOf(DWORD error)
{
    static constexpr std::pair<DWORD, int> errnos[] = {{ERROR_FILE_NOT_FOUND, ENOENT},
        {ERROR_PATH_NOT_FOUND, ENOENT}, {ERROR_INVALID_NAME, ENOENT}, {ERROR_INVALID_DRIVE, ENOENT},
        {ERROR_BAD_NETPATH, ENOENT}, {ERROR_BAD_NET_NAME, ENOENT}, {ERROR_DIRECTORY, ENOENT},
        {ERROR_FILE_EXISTS, EEXIST}, {ERROR_ALREADY_EXISTS, EEXIST}, {ERROR_DISK_FULL, ENOSPC},
        {ERROR_HANDLE_DISK_FULL, ENOSPC}, {ERROR_TOO_MANY_OPEN_FILES, EMFILE},
        {ERROR_NOT_ENOUGH_MEMORY, ENOMEM}, {ERROR_OUTOFMEMORY, ENOMEM}, {ERROR_WRITE_PROTECT, EROFS},
        {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG}};
    for (const auto &[system, number] : errnos) {
        if (system == error)
            return number;
    }
    return EACCES;
}

// Gives the handle to the C runtime, which closes it with the descriptor.
int toDescriptor(HANDLE handle, int flags, int &error)
{
    if (handle == INVALID_HANDLE_VALUE) {
        error = errnoOf(GetLastError());
        return -1;
    }
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY);
    if (descriptor < 0) {
        error = EMFILE;
        CloseHandle(handle);
    }
    return descriptor;
}

// NUL, CON, COM1 and the like, in any folder, and paths in the device namespace: GetFullPathNameW
// gives each as \\.\NAME.
bool namesDevice(const std::wstring &path)
{
    wchar_t full[64];
    const DWORD size = GetFullPathNameW(path.c_str(), DWORD(std::size(full)), full, nullptr);
    const std::wstring_view name(full, size < std::size(full) ? size : 0);
    return name.starts_with(LR"(\\.\)") && name.find(L'\\', 4) == name.npos;
}

HANDLE handleOf(int descriptor)
{
    return reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
}

} // namespace

int openForReading(const std::string &path, int &error)
{
    const std::wstring name = toUtf16(path);
    // A device could make the first read wait for ever; the null device stands in for it, opens
    // at once and is no regular file either.
    if (namesDevice(name))
        return toDescriptor(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr),
            _O_RDONLY, error);
    // A chart open in an editor can still be read, whatever the editor lets others do. Backup
    // semantics open a folder too, so that it is answered as "not a regular file".
    const HANDLE handle = CreateFileW(name.c_str(), GENERIC_READ,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return toDescriptor(handle, _O_RDONLY, error);
}

bool isRegularFile(int descriptor)
{
    // A device (NUL, CON, a serial port) or a pipe is not a disk file, and a folder says so.
    const HANDLE handle = handleOf(descriptor);
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info)
        && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

int createExclusive(const std::string &path, int &error)
{
    // CREATE_NEW fails on anything at the path, links included, so nothing is written through.
    const HANDLE handle = CreateFileW(toUtf16(path).c_str(), GENERIC_READ | GENERIC_WRITE,
        FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY,
        nullptr);
    return toDescriptor(handle, _O_RDWR, error);
}

int createAnonymous(const std::string &folder, int &error)
{
    // The system deletes the file when its handle closes, however the program ends; no other
    // program may open it meanwhile.
    error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        const HANDLE handle = CreateFileW(toUtf16(folder + '\\' + freshName()).c_str(),
            GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        const int descriptor = toDescriptor(handle, _O_RDWR, error);
        if (descriptor >= 0)
            return descriptor;
    }
    return -1;
}

bool isSameFile(int descriptor, const std::string &path)
{
    // The file index, with the volume, is what device and inode are on POSIX.
    BY_HANDLE_FILE_INFORMATION open, named;
    if (!GetFileInformationByHandle(handleOf(descriptor), &open))
        return false;
    const HANDLE namedHandle = CreateFileW(toUtf16(path).c_str(), 0,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (namedHandle == INVALID_HANDLE_VALUE)
        return false;
    const bool read = GetFileInformationByHandle(namedHandle, &named);
    CloseHandle(namedHandle);
    return read && open.dwVolumeSerialNumber == named.dwVolumeSerialNumber
        && open.nFileIndexHigh == named.nFileIndexHigh && open.nFileIndexLow == named.nFileIndexLow;
}

long long readSome(int descriptor, char *data, std::size_t size, int &error)
{
    const std::size_t chunk = size < maxChunk ? size : maxChunk;
    const int count = ::_read(descriptor, data, static_cast<unsigned>(chunk));
    if (count < 0)
        error = errno;
    return count;
}

int writeAll(int descriptor, const char *data, std::size_t size)
{
    while (size > 0) {
        const std::size_t chunk = size < maxChunk ? size : maxChunk;
        const int count = ::_write(descriptor, data, static_cast<unsigned>(chunk));
        if (count < 0)
            return errno;
        // Nothing written and no error: the device has no room.
        if (count == 0)
            return ENOSPC;
        data += count;
        size -= std::size_t(count);
    }
    return noError;
}

int rewind(int descriptor)
{
    return ::_lseeki64(descriptor, 0, SEEK_SET) < 0 ? errno : noError;
}

int truncateHere(int descriptor)
{
    const long long here = ::_telli64(descriptor);
    return here < 0 ? errno : ::_chsize_s(descriptor, here);
}

int close(int descriptor)
{
    return ::_close(descriptor) == 0 ? noError : errno;
}

int remove(const std::string &path)
{
    return DeleteFileW(toUtf16(path).c_str()) ? noError : errnoOf(GetLastError());
}

std::string temporaryFolder()
{
    // The system's own answer: TMP, TEMP or the user's folder, as Windows programs read them.
    wchar_t folder[MAX_PATH + 1];
    const DWORD size = GetTempPathW(MAX_PATH + 1, folder);
    if (size == 0 || size > MAX_PATH)
        return ".";
    // Without its trailing separator, as the POSIX side gives it.
    return toUtf8(std::wstring_view(folder, size > 3 ? size - 1 : size));
}

std::string errorText(int error)
{
    return std::strerror(error);
}

} // namespace quillet::fileio
