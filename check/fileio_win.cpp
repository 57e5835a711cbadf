// The Windows side of fileio.h, through the C runtime's descriptors.
#include "fileio.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <io.h>
#include <sys/stat.h>

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
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    return error ? std::string(".") : folder.string();
}

std::string errorText(int error)
{
    return std::strerror(error);
}

} // namespace quillet::fileio
