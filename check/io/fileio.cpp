// The parts of fileio.h that are the same on every platform.
#include "fileio.h"

#include "chartreader.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>

namespace quillet::fileio {

std::string freshName()
{
    // Only hard to guess: the exclusive creation itself is what makes the file safe.
    thread_local std::mt19937_64 random = [] {
        std::random_device device;
        return std::mt19937_64((std::uint64_t(device()) << 32)
            ^ std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()));
    }();
    char name[40];
    std::snprintf(
        name, sizeof name, "quillet-%016llx.sm", static_cast<unsigned long long>(random()));
    return name;
}

int writeAll(int descriptor, const char *data, std::size_t size)
{
    while (size > 0) {
        int error = noError;
        const long long count = writeSome(descriptor, data, size, error);
        if (count < 0)
            return error;
        // Nothing written and no error: the device has no room.
        if (count == 0)
            return ENOSPC;
        data += count;
        size -= static_cast<std::size_t>(count);
    }
    return noError;
}

} // namespace quillet::fileio

namespace quillet {

long long DescriptorReader::read(char *data, std::size_t size, int &error)
{
    return fileio::readSome(m_descriptor, data, size, error);
}

} // namespace quillet
