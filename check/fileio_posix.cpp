// The POSIX side of fileio.h.
#include "fileio.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet::fileio {

namespace {

constexpr int readFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
constexpr int createFlags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;

// Keeps one call's count well inside ssize_t on every system.
constexpr std::size_t maxChunk = std::size_t(1) << 30;

} // namespace

int openForReading(const std::string &path, int &error)
{
    int descriptor;
    do {
        descriptor = ::open(path.c_str(), readFlags);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) {
        error = errno;
        return -1;
    }
    // Blocking again: O_NONBLOCK only kept the open itself from waiting on a FIFO.
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags >= 0)
        ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK);
    return descriptor;
}

bool isRegularFile(int descriptor)
{
    struct stat info;
    return ::fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode);
}

int createExclusive(const std::string &path, int &error)
{
    int descriptor;
    do {
        descriptor = ::open(path.c_str(), createFlags, 0644);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0)
        error = errno;
    return descriptor;
}

long long readSome(int descriptor, char *data, std::size_t size, int &error)
{
    const std::size_t chunk = size < maxChunk ? size : maxChunk;
    for (;;) {
        const auto count = ::read(descriptor, data, chunk);
        if (count >= 0)
            return count;
        if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
}

int writeAll(int descriptor, const char *data, std::size_t size)
{
    while (size > 0) {
        const std::size_t chunk = size < maxChunk ? size : maxChunk;
        const auto count = ::write(descriptor, data, chunk);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (count == 0)
            return ENOSPC;
        data += count;
        size -= static_cast<std::size_t>(count);
    }
    return noError;
}

int rewind(int descriptor)
{
    return ::lseek(descriptor, 0, SEEK_SET) < 0 ? errno : noError;
}

int close(int descriptor)
{
    // The descriptor is gone even when close reports EINTR, so it is never retried.
    return ::close(descriptor) == 0 ? noError : errno;
}

int remove(const std::string &path)
{
    return ::unlink(path.c_str()) == 0 ? noError : errno;
}

std::string temporaryFolder()
{
    const char *folder = std::getenv("TMPDIR");
    return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

std::string errorText(int error)
{
    return std::strerror(error);
}

} // namespace quillet::fileio
