// The POSIX side of fileio.h.
#include "fileio.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
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
        descriptor = ::open(path.c_str(), createFlags, 0600);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0)
        error = errno;
    return descriptor;
}

int createAnonymous(const std::string &folder, int &error)
{
#ifdef O_TMPFILE
    const int descriptor = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (descriptor >= 0)
        return descriptor;
#endif
    // The name is gone before anything is written, so an interrupted check leaves nothing.
    error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        const std::string path = folder + '/' + freshName();
        const int named = createExclusive(path, error);
        if (named < 0)
            continue;
        if (::unlink(path.c_str()) != 0) {
            error = errno;
            ::close(named);
            return -1;
        }
        return named;
    }
    return -1;
}

bool isSameFile(int descriptor, const std::string &path)
{
    struct stat open, named;
    return ::fstat(descriptor, &open) == 0 && ::lstat(path.c_str(), &named) == 0
        && open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

long long readSome(int descriptor, char *data, std::size_t size, int &error)
{
    const std::size_t chunk = size < maxChunk ? size : maxChunk;
    for (;;) {
        const auto count = ::read(descriptor, data, chunk);
        if (count >= 0)
            return count;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            pollfd ready = {descriptor, POLLIN, 0};
            if (::poll(&ready, 1, -1) >= 0 || errno == EINTR)
                continue;
        }
        if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
}

int writeAll(int descriptor, const char *data, std::size_t size)
{
    while (size > 0) {
        const auto count = ::write(descriptor, data, size < maxChunk ? size : maxChunk);
        if (count < 0 && errno != EINTR)
            return errno;
        // Nothing written and no error: the device has no room.
        if (count == 0)
            return ENOSPC;
        if (count > 0) {
            data += count;
            size -= std::size_t(count);
        }
    }
    return noError;
}

int rewind(int descriptor)
{
    return ::lseek(descriptor, 0, SEEK_SET) < 0 ? errno : noError;
}

int truncateHere(int descriptor)
{
    const off_t here = ::lseek(descriptor, 0, SEEK_CUR);
    return here < 0 || ::ftruncate(descriptor, here) != 0 ? errno : noError;
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
