#include "outputsink.h"

#include "fileio.h"

#ifndef _WIN32
#include <cerrno>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quillet {

DescriptorSink::DescriptorSink(int descriptor)
    : m_descriptor(descriptor)
{
#ifdef _WIN32
    // Whatever it is, it gets whole lines 4 KiB at a time, as a pipe does.
    m_isPipe = true;
#else
    struct stat info;
    m_isPipe
        = ::fstat(descriptor, &info) == 0 && (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode));
#endif
}

int DescriptorSink::write(std::string_view data)
{
#ifdef _WIN32
    return fileio::writeAll(m_descriptor, data.data(), data.size());
#else
    while (!data.empty()) {
        const ssize_t count = ::write(m_descriptor, data.data(), data.size());
        if (count > 0) {
            data.remove_prefix(std::size_t(count));
        } else if (count == 0) {
            return ENOSPC; // nothing written and no error: the device has no room
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            // A slow reader: a write up to the pipe's atomic size then goes whole once there is
            // room for all of it.
            pollfd ready = {m_descriptor, POLLOUT, 0};
            if (::poll(&ready, 1, -1) < 0 && errno != EINTR)
                return errno;
        } else if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
#endif
}

} // namespace quillet
