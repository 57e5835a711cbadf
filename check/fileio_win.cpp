// The Windows side of fileio.h, through the C runtime's descriptors.
#include "fileio.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace quillet::fileio {

namespace {

constexpr int readFlags = O_RDONLY | O_BINARY | O_NOINHERIT;
constexpr int createFlags = O_RDWR | O_CREAT | O_EXCL | O_BINARY | O_NOINHERIT;

// Windows counts bytes in an unsigned int per call.
constexpr std::size_t maxChunk = std::size_t(1) << 30;

} // namespace

int openForReading(const std::string &path, int &error)
{
    const int descriptor = ::_open(path.c_str(), readFlags);
    if (descriptor < 0)
        error = errno;
    return descriptor;
}

bool isRegularFile(int descriptor)
{
    struct _stat64 info;
    return ::_fstat64(descriptor, &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFREG;
}

int createExclusive(const std::string &path, int &error)
{
    const int descriptor = ::_open(path.c_str(), createFlags, _S_IREAD | _S_IWRITE);
    if (descriptor < 0)
        error = errno;
    return descriptor;
}

int createAnonymous(const std::string &folder, int &error)
{
    // _O_TEMPORARY: the system deletes the file when its last handle closes, even on a crash.
    error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        const std::string path = folder + '\\' + freshName();
        const int descriptor
            = ::_open(path.c_str(), createFlags | _O_TEMPORARY, _S_IREAD | _S_IWRITE);
        if (descriptor >= 0)
            return descriptor;
        error = errno;
    }
    return -1;
}

bool isSameFile(int descriptor, const std::string &path)
{
    BY_HANDLE_FILE_INFORMATION open, named;
    const auto openHandle = reinterpret_cast<HANDLE>(::_get_osfhandle(descriptor));
    if (openHandle == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(openHandle, &open))
        return false;
    const HANDLE namedHandle = ::CreateFileA(path.c_str(), 0,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (namedHandle == INVALID_HANDLE_VALUE)
        return false;
    const bool read = ::GetFileInformationByHandle(namedHandle, &named);
    ::CloseHandle(namedHandle);
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
        if (count == 0)
            return ENOSPC;
        data += count;
        size -= static_cast<std::size_t>(count);
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
    return ::_unlink(path.c_str()) == 0 ? noError : errno;
}

std::string temporaryFolder()
{
    std::error_code error;
    std::string folder = std::filesystem::temp_directory_path(error).string();
    // GetTempPath ends the folder with a separator; a root such as "C:\\" keeps it.
    if (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/'))
        folder.pop_back();
    return error ? std::string(".") : folder;
}

std::string errorText(int error)
{
    return std::strerror(error);
}

} // namespace quillet::fileio
